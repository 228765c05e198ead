// The stored form of the profile passwords: a 64-byte blob of eight XTEA blocks,
// each enciphered on its own under a fixed built-in key. It hides a password from a
// casual look at the registry; it is no protection against someone with this program.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t PasswordUnits = 32;     // UTF-16 units of a password field
inline constexpr size_t PasswordBlobBytes = 64;  // PasswordUnits * 2

// Fills `key` with the password key. It is built from its bytes on every call rather
// than kept in memory; the bytes are part of the stored format and must not change.
void BuildPasswordKey(uint32_t key[4]);

// One XTEA block in place: 32 cycles; the block is two little-endian 32-bit words.
void XteaEncryptBlock(uint8_t block[8], const uint32_t key[4]);
void XteaDecryptBlock(uint8_t block[8], const uint32_t key[4]);

// The terminated password over random filler, enciphered. A field without a
// terminator within its 32 units is stored as its first 31 units.
void EncryptPasswordBlob(const wchar_t password[PasswordUnits], uint8_t blob[PasswordBlobBytes]);

// Deciphers a blob into the 32-unit field; the result is always terminated.
void DecryptPasswordBlob(const uint8_t blob[PasswordBlobBytes], wchar_t password[PasswordUnits]);
