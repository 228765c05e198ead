#include <gtest/gtest.h>

#include "app/sheet_internal.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"

namespace {

class EmfPageTest : public InstalledRegistryTest {
protected:
    void SetUp() override {
        InstalledRegistryTest::SetUp();
        ASSERT_EQ(LoadSheetSettings(), 1);
    }
    std::optional<DWORD> StoredEmf() { return ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled"); }
};

TEST_F(EmfPageTest, ShowsTheLoadedSetting) {
    for (DWORD stored : {0u, 1u}) {
        Settings.EmfEnabled = stored;
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_EMF_PAGE);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_EMF_SAVE), stored);
        EXPECT_FALSE(sheet.ApplyEnabled());
    }
}

TEST_F(EmfPageTest, TickingAndApplyingStoresOne) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_EMF_PAGE);
    ASSERT_NE(page, nullptr);
    Click(page, IDC_EMF_SAVE);
    EXPECT_EQ(Settings.EmfEnabled, 1u);
    EXPECT_TRUE(sheet.ApplyEnabled());
    EXPECT_FALSE(StoredEmf().has_value()) << "nothing is written before the apply";
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(StoredEmf(), 1u);
    EXPECT_FALSE(sheet.ApplyEnabled());

    Click(page, IDC_EMF_SAVE);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(StoredEmf(), 0u);
}

TEST_F(EmfPageTest, ApplyWithoutAClickWritesNothing) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 7);
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    ASSERT_NE(sheet.ShowPage(IDD_EMF_PAGE), nullptr);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(StoredEmf(), 7u);
}

// Two clicks leave the value as shown: nothing is written, and a machine default
// shown there does not become the user's own value.
TEST_F(EmfPageTest, TwoClicksBackToTheStartWriteNothing) {
    SetDword(HKEY_LOCAL_MACHINE, DefaultsKeyPath, L"EMF: Enabled", 1);
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_EMF_PAGE);
    Click(page, IDC_EMF_SAVE);
    Click(page, IDC_EMF_SAVE);
    EXPECT_TRUE(sheet.ApplyEnabled());
    EXPECT_TRUE(sheet.Apply());
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled").has_value());
}

// A value not stored is told, and the sheet stays open with the change pending: the
// next apply tries again.
TEST_F(EmfPageTest, RefusedUserKeyIsToldAndTheChangeIsKeptForTheNextApply) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_EMF_PAGE);
    Click(page, IDC_EMF_SAVE);
    DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
    MessageBoxWatcher watcher;
    EXPECT_FALSE(sheet.Apply()) << "the apply is refused";
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text,
              L"Failed to create/open registry key\nHKCU\\Software\\LumarelPrinter\nError # 5: " + SystemText(5));
    EXPECT_TRUE(sheet.ApplyEnabled());
    RestoreAccess(HKEY_CURRENT_USER, UserKeyPath);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(StoredEmf(), 1u);
}

TEST_F(EmfPageTest, BecomingActiveRecordsTheIndex) {
    Settings.LastViewedPage = 99;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_EMF_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Settings.LastViewedPage, sheet.IndexOf(page));

    // The sheet opening on the page records it too.
    Settings.LastViewedPage = 99;
    ModelessSheet reopened({0, 0, VER_PLATFORM_WIN32_NT, 0, 0, 0}, sheet.IndexOf(page));
    EXPECT_EQ(Settings.LastViewedPage, sheet.IndexOf(page));
}

TEST_F(EmfPageTest, HiddenPageIsNotInTheSheet) {
    ModelessSheet sheet({0, 0, VER_PLATFORM_WIN32_NT, 0, 1, 0});
    EXPECT_EQ(sheet.ShowPage(IDD_EMF_PAGE), nullptr);
}

}  // namespace
