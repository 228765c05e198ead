#include "pdf/password_cipher.h"

#include <windows.h>

#include <cstdlib>

namespace {

constexpr uint32_t XteaDelta = 0x9E3779B9u;
constexpr int XteaCycles = 32;
constexpr size_t BlockBytes = 8;

uint32_t LoadWord(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void StoreWord(uint32_t word, uint8_t* bytes) {
    bytes[0] = static_cast<uint8_t>(word);
    bytes[1] = static_cast<uint8_t>(word >> 8);
    bytes[2] = static_cast<uint8_t>(word >> 16);
    bytes[3] = static_cast<uint8_t>(word >> 24);
}

// A byte of filler from the C library's generator. It is never seeded here: the
// filler only keeps equal passwords from giving equal blobs.
uint8_t FillerByte() {
    return static_cast<uint8_t>(std::rand() * 255 / 32767);
}

}  // namespace

void BuildPasswordKey(uint32_t key[4]) {
    // volatile: keeps the compiler from folding the key into a constant in the image.
    static const volatile uint8_t keyBytes[16] = {0x5C, 0xE1, 0x27, 0x9A, 0x03, 0xB8, 0x6D, 0xF4,
                                                  0x91, 0x2E, 0xC7, 0x48, 0xAD, 0x16, 0x7B, 0xE3};
    for (size_t word = 0; word < 4; ++word) {
        uint8_t bytes[4];
        for (size_t i = 0; i < 4; ++i) bytes[i] = keyBytes[word * 4 + i];
        key[word] = LoadWord(bytes);
    }
}

void XteaEncryptBlock(uint8_t block[8], const uint32_t key[4]) {
    uint32_t left = LoadWord(block);
    uint32_t right = LoadWord(block + 4);
    uint32_t sum = 0;
    for (int cycle = 0; cycle < XteaCycles; ++cycle) {
        left += (((right << 4) ^ (right >> 5)) + right) ^ (sum + key[sum & 3]);
        sum += XteaDelta;
        right += (((left << 4) ^ (left >> 5)) + left) ^ (sum + key[(sum >> 11) & 3]);
    }
    StoreWord(left, block);
    StoreWord(right, block + 4);
}

void XteaDecryptBlock(uint8_t block[8], const uint32_t key[4]) {
    uint32_t left = LoadWord(block);
    uint32_t right = LoadWord(block + 4);
    uint32_t sum = XteaDelta * static_cast<uint32_t>(XteaCycles);  // 0xC6EF3720
    for (int cycle = 0; cycle < XteaCycles; ++cycle) {
        right -= (((left << 4) ^ (left >> 5)) + left) ^ (sum + key[(sum >> 11) & 3]);
        sum -= XteaDelta;
        left -= (((right << 4) ^ (right >> 5)) + right) ^ (sum + key[sum & 3]);
    }
    StoreWord(left, block);
    StoreWord(right, block + 4);
}

void EncryptPasswordBlob(const wchar_t password[PasswordUnits], uint8_t blob[PasswordBlobBytes]) {
    for (size_t i = 0; i < PasswordBlobBytes; ++i) blob[i] = FillerByte();

    size_t length = 0;
    while (length < PasswordUnits && password[length] != L'\0') ++length;
    if (length == PasswordUnits) length = PasswordUnits - 1;  // no terminator: keep 31 units
    for (size_t i = 0; i < length; ++i) {
        blob[i * 2] = static_cast<uint8_t>(password[i] & 0xFF);
        blob[i * 2 + 1] = static_cast<uint8_t>((password[i] >> 8) & 0xFF);
    }
    blob[length * 2] = 0;
    blob[length * 2 + 1] = 0;

    uint32_t key[4];
    BuildPasswordKey(key);
    for (size_t offset = 0; offset < PasswordBlobBytes; offset += BlockBytes) XteaEncryptBlock(blob + offset, key);
    SecureZeroMemory(key, sizeof key);
}

void DecryptPasswordBlob(const uint8_t blob[PasswordBlobBytes], wchar_t password[PasswordUnits]) {
    uint8_t plain[PasswordBlobBytes];
    for (size_t i = 0; i < PasswordBlobBytes; ++i) plain[i] = blob[i];

    uint32_t key[4];
    BuildPasswordKey(key);
    for (size_t offset = 0; offset < PasswordBlobBytes; offset += BlockBytes) XteaDecryptBlock(plain + offset, key);
    SecureZeroMemory(key, sizeof key);

    bool terminated = false;
    for (size_t i = 0; i < PasswordUnits; ++i) {
        password[i] = static_cast<wchar_t>(plain[i * 2] | plain[i * 2 + 1] << 8);
        if (password[i] == L'\0') terminated = true;
    }
    // A damaged or foreign blob must still give a string the pages can use.
    if (!terminated) password[PasswordUnits - 1] = L'\0';
    SecureZeroMemory(plain, sizeof plain);
}
