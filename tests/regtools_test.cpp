// The record tables against the Wine registry, with the error log read back byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "settings/regtools.h"
#include "tests/support/error_log.h"
#include "tests/support/registry_fixture.h"

namespace {

const wchar_t Subkey[] = L"Software\\LumarelPrinter";
constexpr char SubkeyText[] = "Software\\LumarelPrinter";

RegRecord Row(HKEY root, const wchar_t* name, DWORD type, DWORD value = 0, wchar_t* text = nullptr) {
    return {root, Subkey, name, type, value, text};
}
RegRecord UserRow(const wchar_t* name, DWORD type, DWORD value = 0, wchar_t* text = nullptr) {
    return Row(HKEY_CURRENT_USER, name, type, value, text);
}
constexpr RegRecord End = {};

wchar_t* Copy(const wchar_t* text) { return _wcsdup(text); }

class RegToolsTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        StartWithEmptyErrorLog();
        reg_set_clock(FixedLocalTime);
    }
    void TearDown() override {
        reg_set_clock(nullptr);
        reg_set_allocator(nullptr);
        StartWithEmptyErrorLog();
        RegistryTest::TearDown();
    }
    static std::string Entry(unsigned line, const std::string& message, int code) {
        return ErrorLogEntry(line, FixedTimeText, message, code);
    }
};

TEST_F(RegToolsTest, RootNames) {
    EXPECT_STREQ(reg_root_name(HKEY_CURRENT_USER), L"HKEY_CURRENT_USER");
    EXPECT_STREQ(reg_root_name(HKEY_LOCAL_MACHINE), L"HKEY_LOCAL_MACHINE");
    EXPECT_STREQ(reg_root_name(HKEY_USERS), L"HKEY_USERS");
    EXPECT_STREQ(reg_root_name(HKEY_CLASSES_ROOT), L"Unknown");
    EXPECT_STREQ(reg_root_name(nullptr), L"Unknown");
}

TEST_F(RegToolsTest, EmptyTableTouchesNeitherRegistryNorLog) {
    RegRecord table[] = {{nullptr, Subkey, L"ignored", REG_DWORD, 5, nullptr}};
    SetLastError(1234);
    EXPECT_EQ(reg_read_records(table), 0);
    EXPECT_EQ(GetLastError(), 1234u) << "no call was made, so no status was left";
    EXPECT_EQ(reg_create_records(table), 0);
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(table[0].dword_value, 5u);
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"ignored").has_value());
    EXPECT_FALSE(ErrorLogExists());
}

// ---------------------------------------------------------------------------
// Reading

TEST_F(RegToolsTest, MissingKeyFailsEveryRowChangesNoFieldAndLogsEachOpen) {
    wchar_t held[] = L"held";
    RegRecord table[] = {UserRow(L"Text", REG_SZ, 0, held), UserRow(L"Number", REG_DWORD, 42),
                         Row(HKEY_LOCAL_MACHINE, L"Number", REG_DWORD, 7), End};
    EXPECT_EQ(reg_read_records(table), 3);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(table[0].string_value, held);
    EXPECT_EQ(table[1].dword_value, 42u);
    EXPECT_EQ(table[2].dword_value, 7u);

    const std::string user = std::string("reg_read_records(): failed to RegOpenKeyEx(\"HKEY_CURRENT_USER:") +
                             SubkeyText + "\").";
    const std::string machine = std::string("reg_read_records(): failed to RegOpenKeyEx(\"HKEY_LOCAL_MACHINE:") +
                                SubkeyText + "\").";
    EXPECT_EQ(ErrorLogBytes(), Entry(74, user, 2) + Entry(74, user, 2) + Entry(74, machine, 2));
    // The first entry spelt out once, byte for byte.
    const std::string first =
        "\r\nERROR: file: ..\\agent\\src\\regtools; line: 74; time: Thu Mar 05 09:04:07 2026;\r\n"
        "message: reg_read_records(): failed to RegOpenKeyEx(\"HKEY_CURRENT_USER:Software\\LumarelPrinter\")."
        "\r\nerrcode: 2\r\n\r\n";
    EXPECT_EQ(ErrorLogBytes().substr(0, first.size()), first);
}

TEST_F(RegToolsTest, PresentValuesAreReadAndMissingOnesKeepDefaultsWithoutLog) {
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Text", L"C:\\Programs\\client.exe");
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 0xFFFFFFFF);
    // Stored without a terminator, as another program may leave it.
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"Bare", REG_SZ, L"abc", 6);
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Empty", L"");
    wchar_t stale[] = L"stale";
    RegRecord table[] = {UserRow(L"Text", REG_SZ),          UserRow(L"Missing number", REG_DWORD, 17),
                         UserRow(L"Number", REG_DWORD, 3),  UserRow(L"Missing text", REG_SZ, 0, stale),
                         UserRow(L"Bare", REG_SZ),          UserRow(L"Empty", REG_SZ),
                         End};
    EXPECT_EQ(reg_read_records(table), 2);
    EXPECT_EQ(GetLastError(), 0u) << "the last row was read";
    ASSERT_NE(table[0].string_value, nullptr);
    EXPECT_STREQ(table[0].string_value, L"C:\\Programs\\client.exe");
    EXPECT_EQ(table[1].dword_value, 17u) << "a default survives a missing value";
    EXPECT_EQ(table[2].dword_value, 0xFFFFFFFFu);
    EXPECT_EQ(table[3].string_value, nullptr) << "a missing text comes back as no string";
    ASSERT_NE(table[4].string_value, nullptr);
    EXPECT_STREQ(table[4].string_value, L"abc");
    ASSERT_NE(table[5].string_value, nullptr);
    EXPECT_STREQ(table[5].string_value, L"");
    EXPECT_FALSE(ErrorLogExists()) << "missing values are counted, not logged";

    reg_free_records(table);
    for (const RegRecord& row : table) EXPECT_EQ(row.string_value, nullptr);
    EXPECT_EQ(table[2].dword_value, 0xFFFFFFFFu) << "freeing leaves numbers alone";
    EXPECT_STREQ(table[4].value_name, L"Bare");
}

TEST_F(RegToolsTest, LastErrorIsWhatTheLastRowLeft) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 1);
    RegRecord missingLast[] = {UserRow(L"Number", REG_DWORD), UserRow(L"Missing", REG_DWORD), End};
    EXPECT_EQ(reg_read_records(missingLast), 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "a failed row does not look like success";

    RegRecord presentLast[] = {UserRow(L"Missing", REG_DWORD), UserRow(L"Number", REG_DWORD), End};
    EXPECT_EQ(reg_read_records(presentLast), 1);
    EXPECT_EQ(GetLastError(), 0u);
}

TEST_F(RegToolsTest, UnreadableKeyIsCountedWithItsCodeButNotLogged) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 1);
    DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
    RegRecord table[] = {UserRow(L"Number", REG_DWORD, 9), UserRow(L"Text", REG_SZ), End};
    EXPECT_EQ(reg_read_records(table), 2);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(table[0].dword_value, 9u);
    EXPECT_FALSE(ErrorLogExists());
}

TEST_F(RegToolsTest, UnsupportedTypeOnReadIsLoggedWithTheTypeAsCode) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 1);
    wchar_t foreign[] = L"not ours";
    RegRecord table[] = {UserRow(L"Blob", REG_BINARY, 0, foreign), End};
    EXPECT_EQ(reg_read_records(table), 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(ErrorLogBytes(),
              Entry(120, std::string("reg_read_records(): unsupporter value type: \"HKEY_CURRENT_USER:") + SubkeyText +
                             ":Blob\".",
                    3));
    reg_free_records(table);
    EXPECT_EQ(table[0].string_value, foreign) << "only REG_SZ rows own a string";
}

TEST_F(RegToolsTest, FailedAllocationIsLoggedAndTheWalkGoesOn) {
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Text", L"value");
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 5);
    reg_set_allocator([](size_t) -> void* { return nullptr; });
    RegRecord table[] = {UserRow(L"Text", REG_SZ), UserRow(L"Number", REG_DWORD), End};
    EXPECT_EQ(reg_read_records(table), 1);
    EXPECT_EQ(table[0].string_value, nullptr);
    EXPECT_EQ(table[1].dword_value, 5u);
    EXPECT_EQ(ErrorLogBytes(), Entry(97, "reg_read_records(): failed to malloc().", 8));

    RegRecord last[] = {UserRow(L"Text", REG_SZ), End};
    EXPECT_EQ(reg_read_records(last), 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

// Another program makes the value longer between the size query and the read.
void* AllocateWhileTheValueGrows(size_t bytes) {
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Text", std::wstring(4000, L'x'));
    return malloc(bytes);
}

TEST_F(RegToolsTest, ValueThatNoLongerFitsIsLoggedAndGivesNoString) {
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Text", L"short");
    reg_set_allocator(AllocateWhileTheValueGrows);
    RegRecord table[] = {UserRow(L"Text", REG_SZ), End};
    EXPECT_EQ(reg_read_records(table), 1);
    EXPECT_EQ(table[0].string_value, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(ErrorLogBytes(),
              Entry(90, std::string("reg_read_records(): failed to RegQueryValueEx(\"HKEY_CURRENT_USER:") + SubkeyText +
                            ":Text\").",
                    ERROR_MORE_DATA));
}

// ---------------------------------------------------------------------------
// Writing

TEST_F(RegToolsTest, WritesTextsAndNumbersCreatingTheKey) {
    RegRecord table[] = {UserRow(L"Text", REG_SZ, 0, Copy(L"C:\\out")), UserRow(L"No text", REG_SZ),
                         UserRow(L"Number", REG_DWORD, 0xFFFFFFF9), End};
    EXPECT_EQ(reg_create_records(table), 0);
    EXPECT_EQ(GetLastError(), 0u);

    auto text = ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"Text");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->bytes.size(), 14u) << "six characters and the terminator";
    auto empty = ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"No text");
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(empty->bytes, (std::vector<BYTE>{0, 0}));
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Number"), 0xFFFFFFF9u);
    EXPECT_FALSE(ErrorLogExists());

    // What was written reads back the same.
    RegRecord back[] = {UserRow(L"Text", REG_SZ), UserRow(L"Number", REG_DWORD), End};
    EXPECT_EQ(reg_read_records(back), 0);
    EXPECT_STREQ(back[0].string_value, L"C:\\out");
    EXPECT_EQ(back[1].dword_value, 0xFFFFFFF9u);
    reg_free_records(back);
    reg_free_records(table);
}

TEST_F(RegToolsTest, UnsupportedTypeOnWriteCountsTwiceWithTwoEntries) {
    RegRecord table[] = {UserRow(L"Blob", REG_BINARY, 1), End};
    EXPECT_EQ(reg_create_records(table), 2);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(REG_BINARY));
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"Blob").has_value());
    EXPECT_EQ(ErrorLogBytes(),
              "\r\nERROR: file: ..\\agent\\src\\regtools; line: 46; time: Thu Mar 05 09:04:07 2026;\r\n"
              "message: reg_create_records(): unsupported value type.\r\nerrcode: 3\r\n\r\n"
              "\r\nERROR: file: ..\\agent\\src\\regtools; line: 53; time: Thu Mar 05 09:04:07 2026;\r\n"
              "message: reg_create_records(): failed to RegSetValueEx(\"HKEY_CURRENT_USER:Software\\LumarelPrinter:"
              "Blob\").\r\nerrcode: 3\r\n\r\n");
}

TEST_F(RegToolsTest, RefusedKeyOnWriteIsLoggedWithItsCode) {
    DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
    RegRecord table[] = {UserRow(L"Number", REG_DWORD, 1), UserRow(L"Text", REG_SZ), End};
    EXPECT_EQ(reg_create_records(table), 2);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const std::string message = std::string("reg_create_records(): failed to RegCreateKeyEx(\"HKEY_CURRENT_USER:") +
                                SubkeyText + "\").";
    EXPECT_EQ(ErrorLogBytes(), Entry(30, message, 5) + Entry(30, message, 5));
    RestoreAccess(HKEY_CURRENT_USER, UserKeyPath);
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"Number").has_value());
}

TEST_F(RegToolsTest, RefusedValueIsLoggedAfterTheKeyWasCreated) {
    // The registry takes no value name that long.
    const std::wstring name(20000, L'v');
    RegRecord table[] = {UserRow(name.c_str(), REG_DWORD, 1), UserRow(L"Number", REG_DWORD, 2), End};
    EXPECT_EQ(reg_create_records(table), 1);
    EXPECT_EQ(GetLastError(), 0u) << "the last row was written";
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Number"), 2u);
    const std::string log = ErrorLogBytes();
    const std::string message = (std::string("reg_create_records(): failed to RegSetValueEx(\"HKEY_CURRENT_USER:") +
                                 SubkeyText + ":" + std::string(20000, 'v'))
                                    .substr(0, 2047);
    RegRecord alone[] = {UserRow(name.c_str(), REG_DWORD, 1), End};
    StartWithEmptyErrorLog();
    EXPECT_EQ(reg_create_records(alone), 1);
    const DWORD code = GetLastError();
    EXPECT_NE(code, 0u);
    EXPECT_EQ(ErrorLogBytes(), Entry(53, message, static_cast<int>(code)));
    EXPECT_EQ(log, ErrorLogBytes());
}

// ---------------------------------------------------------------------------
// The log's text

TEST_F(RegToolsTest, CharactersBeyondLatin1BecomeQuestionMarksAndLatin1StaysOneByte) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 1);
    // "Caf\u00e9 \u0414" with an unsupported type, so its name goes into the log.
    RegRecord table[] = {UserRow(L"Caf\u00e9 \u0414\U0001F600", REG_BINARY), End};
    EXPECT_EQ(reg_read_records(table), 1);
    EXPECT_EQ(ErrorLogBytes(), Entry(120,
                                     std::string("reg_read_records(): unsupporter value type: \"HKEY_CURRENT_USER:") +
                                         SubkeyText + ":Caf\xE9 ???\".",
                                     3));
}

TEST_F(RegToolsTest, LongMessageIsCutTo2047Characters) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Number", 1);
    const std::wstring name(3000, L'n');
    RegRecord table[] = {UserRow(name.c_str(), REG_BINARY), End};
    EXPECT_EQ(reg_read_records(table), 1);
    const std::string full = std::string("reg_read_records(): unsupporter value type: \"HKEY_CURRENT_USER:") +
                             SubkeyText + ":" + std::string(3000, 'n') + "\".";
    EXPECT_EQ(ErrorLogBytes(), Entry(120, full.substr(0, 2047), 3));
}

// ---------------------------------------------------------------------------
// Without the log

TEST_F(RegToolsTest, WithoutTheLogDirectoryOnlyTheLogIsLost) {
    RemoveErrorLogDirectory();
    RegRecord read[] = {UserRow(L"Number", REG_DWORD, 4), End};
    EXPECT_EQ(reg_read_records(read), 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    RegRecord write[] = {UserRow(L"Blob", REG_BINARY), End};
    EXPECT_EQ(reg_create_records(write), 2);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(REG_BINARY));
    EXPECT_FALSE(ErrorLogExists());
    StartWithEmptyErrorLog();
}

}  // namespace
