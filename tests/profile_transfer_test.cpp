// Export, import and copies of profiles: the settings file, the merge, and a whole
// round trip through the registry.
#include "pdf/profile_transfer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/registry.h"
#include "pdf/profile_store.h"
#include "pdf/settings_file.h"
#include "settings/settings.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/text_encoding.h"

namespace {

const std::string FirstLine = "Lumarel Printer settings, version 1.0\r\n";

SettingsFile Read(const std::string& bytes, FileRefusal& refusal) {
    SettingsFile file;
    ReadSettingsFile(bytes.data(), bytes.size(), file, refusal);
    return file;
}

TEST(SettingsFileReader, RefusesABadFileWholeNamingTheLine) {
    struct Case {
        std::string bytes;
        FileFault fault;  // None: taken
        size_t line;
    };
    const std::string end = "[End]\r\n";
    const Case cases[] = {
        {"", FileFault::NotSettingsFile, 1},
        {"Windows Registry Editor Version 5.00\r\n" + end, FileFault::NotSettingsFile, 1},
        {"Lumarel Printer settings, version 2.0\r\n" + end, FileFault::LaterVersion, 1},
        // A later minor version: a section it does not know is passed over.
        {"Lumarel Printer settings, version 1.7\r\n[Signature]\r\n\"x\"=hex:01\r\n" + end, FileFault::None, 0},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=\"t\"\r\n", FileFault::Truncated, 3},
        {FirstLine + "\"Title\"=\"t\"\r\n" + end, FileFault::ValueOutsideSection, 2},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=dword:00000001\r\n" + end, FileFault::WrongKind, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"User password\"=hex:01,02\r\n" + end, FileFault::WrongKind, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"Profile name\"=\"" + std::string(128, 'n') + "\"\r\n" + end,
         FileFault::WrongKind, 3},
        // The hex(<type>) form carries what the plain forms cannot.
        {FirstLine + "[Profile \"a\"]\r\n\"JPEG Quality\"=hex(b):01,02,03,04,05,06,07,08\r\n" + end, FileFault::None, 0},
        {FirstLine + "[Profile \"a\"]\r\n[Profile \"A\"]\r\n" + end, FileFault::DuplicateSection, 3},
        {FirstLine + "[Settings]\r\n[Settings]\r\n" + end, FileFault::DuplicateSection, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=\"t\"\r\n\"TITLE\"=\"t\"\r\n" + end, FileFault::DuplicateValue, 4},
        {FirstLine + "[Settings]\r\n\"Last Viewed Page\"=dword:00000001\r\n" + end, FileFault::UnknownSetting, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"Profile name\"=\"b\"\r\n" + end, FileFault::NameDiffers, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=\"a\tb\"\r\n" + end, FileFault::ControlCharacter, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=\"\xC0\xAF\"\r\n" + end, FileFault::Encoding, 3},
        {FirstLine + "[Profile \"\xED\xA0\x80\"]\r\n" + end, FileFault::Encoding, 2},  // a surrogate in UTF-8
        {FirstLine + "[Printers]\r\n" + end, FileFault::UnknownSection, 2},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=\"t\r\n" + end, FileFault::Syntax, 3},
        {FirstLine + "[Profile \"a\"]\r\n\"Title\"=\"\\n\"\r\n" + end, FileFault::Syntax, 3},
        {FirstLine + end + "[Profile \"a\"]\r\n", FileFault::Syntax, 3},
        {"\xFF\xFE" "L\0x", FileFault::Encoding, 1},  // UTF-16 of an odd size
        {FirstLine + "; a comment\r\n\r\n  [Profile \"a \\\"b\\\" \\\\\"]  \r\n\t\"Title\" = \"t\"\r\n" + end,
         FileFault::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        FileRefusal refusal;
        const SettingsFile file = Read(c.bytes, refusal);
        EXPECT_EQ(refusal.fault, c.fault);
        EXPECT_EQ(refusal.line, c.line);
        if (c.fault != FileFault::None) {
            EXPECT_TRUE(file.profiles.empty() && !file.hasPlainValues);
        }
    }
    // The refusal in the user's words.
    FileRefusal refusal;
    Read(FirstLine + "[Profile \"a\"]\r\n[Profile \"a\"]\r\n" + end, refusal);
    EXPECT_EQ(RefusalText(refusal), L"Line 3: The section \"a\" is in the file twice.");
}

TEST(CopyNames, SayTheyAreCopiesAndNeverRepeatAName) {
    struct Case {
        std::wstring name;
        std::set<std::wstring> taken;  // in capitals, as names compare
        std::wstring copy;
    };
    const std::wstring longName(127, L'x');
    const Case cases[] = {
        {L"Office", {}, L"Office - Copy"},
        {L"Office", {L"OFFICE - COPY"}, L"Office - Copy (2)"},
        {L"Office", {L"OFFICE - COPY", L"OFFICE - COPY (2)"}, L"Office - Copy (3)"},
        {longName, {}, std::wstring(120, L'x') + L" - Copy"},
        {longName, {std::wstring(120, L'X') + L" - COPY"}, std::wstring(116, L'x') + L" - Copy (2)"},
        // No half of a character outside the basic plane is left at the cut.
        {std::wstring(119, L'x') + L"\xD83D\xDE00", {}, std::wstring(119, L'x') + L" - Copy"},
    };
    for (const Case& c : cases) {
        const std::wstring copy = CopyName(c.name, L"%s - Copy", L"%s - Copy (%d)",
                                           [&c](const std::wstring& name) { return c.taken.count(FoldedValueName(name)) != 0; });
        EXPECT_EQ(copy, c.copy);
        EXPECT_LE(copy.size(), 127u);
    }
}

class ProfileTransferTest : public RegistryTest {
protected:
    static void Load() {
        ResetSettings();
        Failure failure;
        ASSERT_TRUE(LoadPdfProfiles(failure));
    }
    static std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        for (int position = 0; position < Settings.Profiles.Count(); ++position)
            names.push_back(Settings.Profiles.At(position).name);
        return names;
    }
    // Imports `bytes` as "/import" does, answering every question with `choice`.
    static void Import(const std::string& bytes, MergeChoice choice = MergeChoice::Skip) {
        FileRefusal refusal;
        const SettingsFile file = Read(bytes, refusal);
        ASSERT_EQ(refusal.fault, FileFault::None) << RefusalText(refusal);
        MergeCounts counts;
        ASSERT_EQ(MergeFileProfiles(
                      file,
                      [choice](const std::wstring&, const std::wstring&, ConflictAnswer& answer) {
                          answer = {choice, true};
                          return true;
                      },
                      counts),
                  MergeResult::Done);
        TakePlainValues(file);
        NotStored notStored;
        EXPECT_TRUE(SavePdfProfiles(notStored));
        EXPECT_TRUE(Settings.Imported.Store(notStored));
    }
    static std::string Export(bool passwords) {
        ExportChoice choice;
        for (int position = 0; position < Settings.Profiles.Count(); ++position) choice.positions.push_back(position);
        choice.passwords = passwords;
        choice.plainValues = true;
        SettingsFile file;
        std::wstring badName;
        EXPECT_TRUE(BuildExport(choice, file, badName)) << std::string(badName.begin(), badName.end());
        return WriteSettingsFile(file);
    }
    MessageBoxWatcher watcher_;
};

// What an account or a machine holds comes back on another byte for byte: every type,
// what the program cannot hold, names that need escapes, passwords when they travel.
TEST_F(ProfileTransferTest, AnExportImportedIntoAnEmptyStoreGivesBackEveryValue) {
    const wchar_t* path = UserProfilesPath;
    SetDword(HKEY_CURRENT_USER, path, L"Profiles count", 3);
    SetDword(HKEY_CURRENT_USER, path, L"Current profile", 0);
    SetText(HKEY_CURRENT_USER, path, L"[0] Profile name", L"Office \"A\" \\ \u65E5\u672C \xD83D\xDE00");
    SetText(HKEY_CURRENT_USER, path, L"[0] Title", std::wstring(300, L't'));  // longer than its field
    const unsigned long long wide = 95;
    SetRaw(HKEY_CURRENT_USER, path, L"[0] JPEG Quality", REG_QWORD, &wide, sizeof wide);
    SetRaw(HKEY_CURRENT_USER, path, L"[0] Later version's option", REG_MULTI_SZ, L"a\0b\0", 10);
    SetDword(HKEY_CURRENT_USER, path, L"[0] Security enabled", 1);
    SetText(HKEY_CURRENT_USER, path, L"[1] Profile name", L"Web");
    SetText(HKEY_CURRENT_USER, path, L"[1] Subject", L"two\r\nlines");
    SetRaw(HKEY_CURRENT_USER, path, L"[1] Keywords", REG_SZ, L"kw", 4);  // no terminator
    SetRaw(HKEY_CURRENT_USER, path, L"[1] Title", REG_EXPAND_SZ, L"%TEMP%", 14);
    std::vector<BYTE> shortBlob(63, 0x5A);
    SetRaw(HKEY_CURRENT_USER, path, L"[1] Owner password", REG_BINARY, shortBlob.data(), 63);
    SetText(HKEY_CURRENT_USER, path, L"[2] Profile name", std::wstring(130, L'n'));
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 1);
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Client Application", L"C:\\Program Files\\Client\\client.exe");
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"Transfer Mode", REG_SZ, L"2", 4);  // another type than the page's
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page", 4);  // no setting that travels
    // A password as the program stores it.
    Load();
    wcscpy(Settings.Profiles.At(1).userPassword, L"open-up");
    NotStored notStored;
    ASSERT_TRUE(SavePdfProfiles(notStored));

    auto profilesBefore = ValuesInCapitals(HKEY_CURRENT_USER, path);
    auto plainBefore = ValuesInCapitals(HKEY_CURRENT_USER, UserKeyPath);
    plainBefore.erase(L"LAST VIEWED PAGE");
    Load();
    const std::string file = Export(true);
    EXPECT_EQ(file.find("open-up"), std::string::npos) << "no password in clear text";

    const std::string withoutMark = file.substr(3);
    for (const std::string& bytes : {file, withoutMark, Utf16WithMark(file, false), Utf16WithMark(file, true)}) {
        DeleteProgramKeys();
        Load();
        Import(bytes);
        EXPECT_EQ(Differing(profilesBefore, ValuesInCapitals(HKEY_CURRENT_USER, path)), std::set<std::wstring>{});
        EXPECT_EQ(Differing(plainBefore, ValuesInCapitals(HKEY_CURRENT_USER, UserKeyPath)), std::set<std::wstring>{});
    }

    // Without the passwords nothing of them travels; their switches do.
    Load();
    const std::string withoutPasswords = Export(false);
    DeleteProgramKeys();
    Load();
    Import(withoutPasswords);
    for (const char* name : {"[1] USER PASSWORD", "[1] OWNER PASSWORD"}) profilesBefore.erase(std::wstring(name, name + strlen(name)));
    EXPECT_EQ(Differing(profilesBefore, ValuesInCapitals(HKEY_CURRENT_USER, path)), std::set<std::wstring>{});
    EXPECT_TRUE(watcher_.boxes().empty());
}

// The list holds "Office" and "Web"; the file "office", "Print" and "Web". Nothing of a
// cancelled import is taken.
TEST_F(ProfileTransferTest, ImportMergesByNameAsTheUserChoosesOnceOrForAll) {
    struct Answer {
        MergeChoice choice;
        bool forAll;
    };
    struct Case {
        std::vector<Answer> answers;  // given in turn; past the end: cancel
        MergeResult result;
        std::vector<std::wstring> names;
        int asked;
    };
    using M = MergeChoice;
    const Case cases[] = {
        {{{M::Replace, false}, {M::Replace, false}}, MergeResult::Done, {L"office", L"Web", L"Print"}, 2},
        {{{M::KeepBoth, false}, {M::KeepBoth, false}},
         MergeResult::Done,
         {L"Office", L"Web", L"office - Copy", L"Print", L"Web - Copy"},
         2},
        {{{M::Skip, false}, {M::Skip, false}}, MergeResult::Done, {L"Office", L"Web", L"Print"}, 2},
        {{{M::Replace, true}}, MergeResult::Done, {L"office", L"Web", L"Print"}, 1},
        {{{M::Skip, true}}, MergeResult::Done, {L"Office", L"Web", L"Print"}, 1},
        {{{M::Replace, false}}, MergeResult::Cancelled, {L"Office", L"Web"}, 2},
    };
    const std::string file = FirstLine + "[Profile \"office\"]\r\n\"Title\"=\"from the file\"\r\n" +
                             "[Profile \"Print\"]\r\n[Profile \"Web\"]\r\n[End]\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        DeleteProgramKeys();
        SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 2);
        SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"Office");
        SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[1] Profile name", L"Web");
        Load();
        FileRefusal refusal;
        const SettingsFile read = Read(file, refusal);
        int asked = 0;
        MergeCounts counts;
        const MergeResult result = MergeFileProfiles(
            read,
            [&](const std::wstring&, const std::wstring&, ConflictAnswer& answer) {
                if (static_cast<size_t>(asked) >= c.answers.size()) return ++asked, false;
                answer = {c.answers[asked].choice, c.answers[asked].forAll};
                ++asked;
                return true;
            },
            counts);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(counts.added + counts.replaced + counts.skipped, result == MergeResult::Done ? 3 : 0);
        if (c.names[0] == L"office") {
            EXPECT_STREQ(Settings.Profiles.At(0).title, L"from the file");
        }
    }
    // A user without profiles of his own gets the file's, without the stand-in "Default".
    DeleteProgramKeys();
    Load();
    Import(file);
    Load();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"office", L"Print", L"Web"}));
}

// A copy is the whole profile under a new name: every value it holds, passwords and
// values the program cannot hold included.
TEST_F(ProfileTransferTest, ACopyHoldsEveryValueOfItsProfile) {
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 1);
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"Office");
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Title", std::wstring(300, L't'));
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Later version's option", REG_MULTI_SZ, L"a\0b\0", 10);
    Load();
    wcscpy(Settings.Profiles.At(0).userPassword, L"open-up");
    ASSERT_TRUE(CopyProfile(0));
    NotStored notStored;
    ASSERT_TRUE(SavePdfProfiles(notStored));
    Load();
    ASSERT_EQ(Names(), (std::vector<std::wstring>{L"Office", L"Office - Copy"}));
    EXPECT_STREQ(Settings.Profiles.At(1).userPassword, L"open-up");
    auto values = ValuesInCapitals(HKEY_CURRENT_USER, UserProfilesPath);
    for (const auto& [name, value] : values) {
        if (name.rfind(L"[0] ", 0) != 0 || name == L"[0] PROFILE NAME" || name == L"[0] USER PASSWORD") continue;
        EXPECT_EQ(values[L"[1] " + name.substr(4)], value) << std::string(name.begin(), name.end());
    }
}

}  // namespace
