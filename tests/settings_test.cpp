#include <gtest/gtest.h>

#include <string>

#include "app/sheet_internal.h"
#include "settings/regtools.h"
#include "settings/settings.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/registry_fixture.h"

namespace {

class LoadSettingsTest : public RegistryTest {};

TEST_F(LoadSettingsTest, NoKeysGiveTheDefaults) {
    MessageBoxWatcher watcher;
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(Settings.LastViewedPage, 0);
    EXPECT_EQ(Settings.AgentHidePage, 0u);
    EXPECT_STREQ(Settings.Version, L"1.0");
    EXPECT_EQ(Settings.EmfHidePage, 0u);
    EXPECT_EQ(Settings.EmfEnabled, 0u);
    EXPECT_EQ(Settings.PdfHidePage, 0u);
    EXPECT_EQ(Settings.PdfEnabled, 0u);
    EXPECT_EQ(Settings.PdfSeparate, 0u);
    EXPECT_STREQ(Settings.PdfExcludeFonts, L"");
    EXPECT_EQ(Settings.PdfDoNotEmbedFonts, 0u);
    ASSERT_EQ(Settings.Profiles.Count(), 1);
    EXPECT_STREQ(Settings.Profiles.At(0).name, L"Default");
    EXPECT_EQ(Settings.CurrentProfile, 0);
}

TEST_F(LoadSettingsTest, UserValueWinsEvenWhenZero) {
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"EMF: Enabled", 1);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 0);
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Enabled", 1);  // no user value: the default
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Separate", 1);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Separate", 0);
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Do not embed fonts", 1);
    SetText(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Exclude fonts", L"Arial;Courier");
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts", L"");
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(Settings.EmfEnabled, 0u);
    EXPECT_EQ(Settings.PdfEnabled, 1u);
    EXPECT_EQ(Settings.PdfSeparate, 0u);
    EXPECT_EQ(Settings.PdfDoNotEmbedFonts, 1u);
    EXPECT_STREQ(Settings.PdfExcludeFonts, L"");
}

TEST_F(LoadSettingsTest, DefaultsApplyWithoutUserKey) {
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"EMF: Enabled", 1);
    SetText(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Exclude fonts", L"Symbol");
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(Settings.EmfEnabled, 1u);
    EXPECT_STREQ(Settings.PdfExcludeFonts, L"Symbol");
}

TEST_F(LoadSettingsTest, HidingSwitchesComeFromTheMachineKeyOnly) {
    for (const wchar_t* name : {L"Agent: Hide page", L"EMF: Hide page", L"PDF: Hide page"}) {
        SetDword(HKEY_CURRENT_USER, UserKeyPath, name, 1);
        SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, name, 1);
    }
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Version", 9);
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(Settings.AgentHidePage, 0u);
    EXPECT_EQ(Settings.EmfHidePage, 0u);
    EXPECT_EQ(Settings.PdfHidePage, 0u);
    EXPECT_STREQ(Settings.Version, L"1.0");

    ResetSettings();
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Agent: Hide page", 1);
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"PDF: Hide page", 1);
    SetText(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Version", L"2.5 (build 7)");
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page", 3);
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Last Viewed Page", 5);  // not read from there
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(Settings.AgentHidePage, 1u);
    EXPECT_EQ(Settings.EmfHidePage, 0u);
    EXPECT_EQ(Settings.PdfHidePage, 1u);
    EXPECT_STREQ(Settings.Version, L"2.5 (build 7)");
    EXPECT_EQ(Settings.LastViewedPage, 3);
}

// A 64-bit installer writes the machine values in the 64-bit view (so does the fixture,
// for every HKLM value of the tests); the 32-bit build reads them there, through the
// settings load and through the record tables' machine rows (the Agent page's).
TEST_F(LoadSettingsTest, MachineValuesAreReadFromThe64BitView) {
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"EMF: Hide page", 1);
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, MachineKeyPath, 0, KEY_READ | KEY_WOW64_32KEY, &raw),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(Settings.EmfHidePage, 1u);
    RegRecord machineRow[] = {{HKEY_LOCAL_MACHINE, MachineKeyPath, L"EMF: Hide page", REG_DWORD, 0, nullptr}, {}};
    EXPECT_EQ(reg_read_records(machineRow), 0);
}

TEST_F(LoadSettingsTest, MachineKeyWithoutVersionGivesOnePointZero) {
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"EMF: Hide page", 0);
    // Neither the defaults nor the user stand in for the machine's version or the
    // user's last page.
    SetText(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"Version", L"9.9");
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"Version", L"8.8");
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"Last Viewed Page", 3);
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_STREQ(Settings.Version, L"1.0");
    EXPECT_EQ(Settings.LastViewedPage, 0);
}

// The bytes go as they are into a zeroed field: an odd last byte is a unit of its own,
// and a field filled to its last unit still ends terminated.
TEST_F(LoadSettingsTest, OddTrailingByteOfATextIsTakenAsItIs) {
    const BYTE fiveBytes[] = {'1', 0, '.', 0, '5'};
    SetRaw(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Version", REG_BINARY, fiveBytes, sizeof fiveBytes);
    std::wstring fonts(1023, L'f');
    fonts += L'g';
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts", REG_BINARY, fonts.data(), 2047);
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_STREQ(Settings.Version, L"1.5");
    EXPECT_EQ(std::wstring(Settings.PdfExcludeFonts), std::wstring(1023, L'f'));
}

// Texts stored as another program may have left them: exactly filling the field with
// no terminator, or longer than the field.
TEST_F(LoadSettingsTest, TextsAreAlwaysTerminated) {
    // The unit after the stored bytes is not zero: the registry would add a terminator otherwise.
    std::wstring full(261, L'v');
    SetRaw(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Version", REG_SZ, full.data(), 520);
    ASSERT_EQ(ReadStored(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Version")->bytes.size(), 520u);
    std::wstring fonts(1025, L'f');
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts", REG_SZ, fonts.data(), 2048);
    ASSERT_EQ(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts")->bytes.size(), 2048u);
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(std::wstring(Settings.Version), std::wstring(259, L'v'));
    EXPECT_EQ(std::wstring(Settings.PdfExcludeFonts), std::wstring(1023, L'f'));
}

TEST_F(LoadSettingsTest, OverlongTextsFallBack) {
    std::wstring tooLong(261, L'v');
    SetText(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Version", tooLong);
    std::wstring fonts(1100, L'f');
    SetText(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Exclude fonts", fonts);
    SetText(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Exclude fonts", L"Wingdings");
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_STREQ(Settings.Version, L"1.0");
    EXPECT_STREQ(Settings.PdfExcludeFonts, L"Wingdings");
}

TEST_F(LoadSettingsTest, NumbersAreTakenAsStoredBytes) {
    const BYTE two[2] = {0x34, 0x12};
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page", REG_BINARY, two, 2);
    const wchar_t text[] = L"1";  // a REG_SZ "1" is the bytes 31 00 00 00
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", REG_SZ, text, sizeof text);
    const BYTE eight[8] = {1, 0, 0, 0, 2, 0, 0, 0};  // longer than the field: not read, default used
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", REG_BINARY, eight, 8);
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"PDF: Enabled", 1);
    ASSERT_EQ(LoadSheetSettings(), 1);
    EXPECT_EQ(Settings.LastViewedPage, 0x1234);
    EXPECT_EQ(Settings.EmfEnabled, 0x31u);
    EXPECT_EQ(Settings.PdfEnabled, 1u);
}

struct DeniedCase {
    HKEY root;
    const wchar_t* path;
    const wchar_t* message;
};

TEST_F(LoadSettingsTest, UnopenableKeyIsReportedOnceAndStopsTheLoad) {
    const DeniedCase cases[] = {
        {HKEY_LOCAL_MACHINE, MachineKeyPath, L"Failed to open registry key\nHKLM\\Software\\LumarelPrinter"},
        {HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"Failed to open registry key\nHKLM\\Software\\LumarelPrinter\\Defaults"},
        {HKEY_CURRENT_USER, UserKeyPath, L"Failed to open registry key\nHKCU\\Software\\LumarelPrinter"},
    };
    for (const DeniedCase& c : cases) {
        DeleteProgramKeys();
        ResetSettings();
        SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 1);
        DenyAccess(c.root, c.path);
        // A later key that is refused too is never reached: still one box.
        DenyAccess(HKEY_CURRENT_USER, L"Software\\LumarelPrinter\\PDF Profiles");
        MessageBoxWatcher watcher;
        EXPECT_EQ(LoadSheetSettings(), 0) << c.message;
        ASSERT_EQ(watcher.boxes().size(), 1u) << c.message;
        EXPECT_EQ(watcher.boxes()[0].text, std::wstring(c.message) + L"\nError # 5: " + SystemText(5));
        EXPECT_EQ(watcher.boxes()[0].caption, L"Lumarel Printer properties");
        EXPECT_EQ(Settings.EmfEnabled, 0u) << "nothing is read after a refused key";
        EXPECT_EQ(Settings.Profiles.Count(), 0);
        RestoreAccess(HKEY_CURRENT_USER, L"Software\\LumarelPrinter\\PDF Profiles");
        RestoreAccess(c.root, c.path);
    }
}

// Machine, then Defaults, then user: with two keys refused, the earlier one is reported.
TEST_F(LoadSettingsTest, KeysAreOpenedMachineThenDefaultsThenUser) {
    const DeniedCase cases[] = {
        {HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"Failed to open registry key\nHKLM\\Software\\LumarelPrinter\\Defaults"},
        {HKEY_LOCAL_MACHINE, MachineKeyPath, L"Failed to open registry key\nHKLM\\Software\\LumarelPrinter"},
    };
    for (const DeniedCase& c : cases) {
        DeleteProgramKeys();
        ResetSettings();
        DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
        DenyAccess(c.root, c.path);
        MessageBoxWatcher watcher;
        EXPECT_EQ(LoadSheetSettings(), 0);
        ASSERT_EQ(watcher.boxes().size(), 1u);
        EXPECT_EQ(watcher.boxes()[0].text, std::wstring(c.message) + L"\nError # 5: " + SystemText(5));
    }
    DeleteProgramKeys();
}

TEST_F(LoadSettingsTest, RefusedProfileKeyFailsTheLoadAfterThePlainValues) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 1);
    DenyAccess(HKEY_CURRENT_USER, L"Software\\LumarelPrinter\\PDF Profiles");
    MessageBoxWatcher watcher;
    EXPECT_EQ(LoadSheetSettings(), 0);
    RestoreAccess(HKEY_CURRENT_USER, L"Software\\LumarelPrinter\\PDF Profiles");
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, L"Failed to open registry key\nHKCU\\Software\\LumarelPrinter\\PDF Profiles"
                                       L"\nError # 5: " + SystemText(5));
}

}  // namespace
