#include "pdf/password_cipher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using Block = std::vector<uint8_t>;

// A block as the blob holds it: the first word in bytes 0..3, the second in 4..7,
// each little-endian.
Block BlockOf(uint32_t left, uint32_t right) {
    Block block(8);
    for (int i = 0; i < 4; ++i) {
        block[i] = static_cast<uint8_t>(left >> (8 * i));
        block[4 + i] = static_cast<uint8_t>(right >> (8 * i));
    }
    return block;
}

struct XteaVector {
    uint32_t key[4];
    uint32_t plain[2];
    uint32_t cipher[2];
};

// Published XTEA vectors, 32 cycles, given as 32-bit words: the key 000102030405060708090A0B0C0D0E0F
// is the words 00010203 04050607 08090A0B 0C0D0E0F; a block is the words (L, R).
constexpr uint32_t CountingKey[4] = {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F};
const XteaVector PublishedVectors[] = {
    {{0, 0, 0, 0}, {0x00000000, 0x00000000}, {0xDEE9D4D8, 0xF7131ED9}},
    {{CountingKey[0], CountingKey[1], CountingKey[2], CountingKey[3]}, {0x41424344, 0x45464748}, {0x497DF3D0, 0x72612CB5}},
    {{CountingKey[0], CountingKey[1], CountingKey[2], CountingKey[3]}, {0x41414141, 0x41414141}, {0xE78F2D13, 0x744341D8}},
    {{CountingKey[0], CountingKey[1], CountingKey[2], CountingKey[3]}, {0x5A5B6E27, 0x8948D77F}, {0x41414141, 0x41414141}},
    {{0, 0, 0, 0}, {0x41424344, 0x45464748}, {0xA0390589, 0xF8B8EFA5}},
    {{0, 0, 0, 0}, {0x41414141, 0x41414141}, {0xED23375A, 0x821A8C2D}},
    {{0, 0, 0, 0}, {0x70E1225D, 0x6E4E7655}, {0x41414141, 0x41414141}},
};

TEST(Xtea, EnciphersAndDeciphersPublishedVectors) {
    for (const XteaVector& vector : PublishedVectors) {
        SCOPED_TRACE(testing::Message() << std::hex << "plain " << vector.plain[0] << " " << vector.plain[1]);
        Block block = BlockOf(vector.plain[0], vector.plain[1]);
        XteaEncryptBlock(block.data(), vector.key);
        EXPECT_EQ(BlockOf(vector.cipher[0], vector.cipher[1]), block);
        XteaDecryptBlock(block.data(), vector.key);
        EXPECT_EQ(BlockOf(vector.plain[0], vector.plain[1]), block);
    }
}

TEST(Xtea, TakesBlockWordsLittleEndian) {
    // Words 41424344 45464748 under the counting key give 497DF3D0 72612CB5; spelt out
    // byte by byte so a swapped byte order cannot hide behind the helper above.
    Block block = {0x44, 0x43, 0x42, 0x41, 0x48, 0x47, 0x46, 0x45};
    XteaEncryptBlock(block.data(), CountingKey);
    EXPECT_EQ((Block{0xD0, 0xF3, 0x7D, 0x49, 0xB5, 0x2C, 0x61, 0x72}), block);
}

TEST(Xtea, DecipherUndoesEncipherUnderThePasswordKey) {
    uint32_t key[4];
    BuildPasswordKey(key);
    const Block samples[] = {
        Block(8, 0x00), Block(8, 0xFF), BlockOf(0x80000000, 0x00000001), BlockOf(0x12345678, 0x9ABCDEF0)};
    for (const Block& plain : samples) {
        Block block = plain;
        XteaEncryptBlock(block.data(), key);
        EXPECT_NE(plain, block);
        XteaDecryptBlock(block.data(), key);
        EXPECT_EQ(plain, block);
    }
}

// A password field as the profile holds it: zero past the text.
struct PasswordField {
    wchar_t units[PasswordUnits] = {};
    explicit PasswordField(const std::wstring& text) { std::wmemcpy(units, text.data(), text.size()); }
};

std::wstring RoundTrip(const PasswordField& field) {
    uint8_t blob[PasswordBlobBytes];
    EncryptPasswordBlob(field.units, blob);
    wchar_t decrypted[PasswordUnits];
    std::wmemset(decrypted, L'?', PasswordUnits);
    DecryptPasswordBlob(blob, decrypted);
    return decrypted;  // stops at the terminator, which must be within the field
}

TEST(PasswordBlob, RoundTripsShortestAndLongestPasswords) {
    // Units with a high byte check that both bytes of every unit are kept.
    const std::wstring passwords[] = {L"x", L"\u00E9", std::wstring(31, L'k'),
                                      L"Secret\u4E2D\u00FCpass-0123456789_abcd"};
    for (const std::wstring& password : passwords) {
        ASSERT_LE(password.size(), PasswordUnits - 1);
        EXPECT_EQ(password, RoundTrip(PasswordField(password)));
    }
}

TEST(PasswordBlob, StoresAnUnterminatedFieldAsItsFirst31Units) {
    PasswordField field(std::wstring(PasswordUnits, L'z'));
    field.units[30] = L'y';
    field.units[31] = L'Q';
    EXPECT_EQ(std::wstring(30, L'z') + L"y", RoundTrip(field));
}

TEST(PasswordBlob, HoldsTheTerminatedTextAsUtf16InEightSeparateBlocks) {
    uint8_t blob[PasswordBlobBytes];
    EncryptPasswordBlob(PasswordField(L"Ab\u0142").units, blob);

    uint32_t key[4];
    BuildPasswordKey(key);
    for (size_t offset = 0; offset < PasswordBlobBytes; offset += 8) XteaDecryptBlock(blob + offset, key);
    const uint8_t expected[] = {'A', 0, 'b', 0, 0x42, 0x01, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, blob, sizeof expected));
}

TEST(PasswordBlob, SamePasswordGivesDifferentBlobs) {
    PasswordField field(L"same");
    uint8_t first[PasswordBlobBytes];
    uint8_t second[PasswordBlobBytes];
    EncryptPasswordBlob(field.units, first);
    EncryptPasswordBlob(field.units, second);
    EXPECT_NE(0, std::memcmp(first, second, PasswordBlobBytes));

    wchar_t decrypted[PasswordUnits];
    DecryptPasswordBlob(second, decrypted);
    EXPECT_STREQ(L"same", decrypted);
}

TEST(PasswordBlob, BlobWithoutTerminatorDecryptsTo31Units) {
    uint8_t blob[PasswordBlobBytes];
    for (size_t i = 0; i < PasswordBlobBytes; i += 2) {
        blob[i] = 'M';
        blob[i + 1] = 0x00;
    }
    uint32_t key[4];
    BuildPasswordKey(key);
    for (size_t offset = 0; offset < PasswordBlobBytes; offset += 8) XteaEncryptBlock(blob + offset, key);

    wchar_t decrypted[PasswordUnits];
    DecryptPasswordBlob(blob, decrypted);
    EXPECT_EQ(L'\0', decrypted[PasswordUnits - 1]);
    EXPECT_EQ(std::wstring(PasswordUnits - 1, L'M'), std::wstring(decrypted));
}

TEST(PasswordBlob, ReadsBlobsStoredWithTheReleasedKey) {
    // "Lumarel7" stored by an earlier build. The key bytes are part of the stored
    // format: changing them makes every saved password unreadable.
    const uint8_t stored[PasswordBlobBytes] = {
        0xA6, 0x8A, 0xD2, 0xDE, 0x0C, 0x51, 0x62, 0x30, 0xF4, 0x7F, 0xB8, 0xED, 0xC0, 0x81, 0x25, 0x75,
        0xCB, 0xA6, 0x55, 0xA9, 0x7C, 0x88, 0xDF, 0x17, 0x37, 0x0C, 0x02, 0xC6, 0x12, 0x2C, 0xF8, 0xE0,
        0x5D, 0xA3, 0x78, 0x42, 0xD1, 0x69, 0x83, 0xAF, 0xFB, 0x04, 0x0E, 0x1D, 0xE1, 0x38, 0x07, 0x3A,
        0xCA, 0x29, 0x23, 0x8D, 0x0C, 0xDC, 0xC8, 0xC3, 0x87, 0x47, 0xC4, 0xF1, 0xF8, 0xC4, 0x1C, 0xCF};
    wchar_t decrypted[PasswordUnits];
    DecryptPasswordBlob(stored, decrypted);
    EXPECT_STREQ(L"Lumarel7", decrypted);
}

}  // namespace
