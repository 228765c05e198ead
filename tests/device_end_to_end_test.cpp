// The device pages in properties.exe run as a separate process, against Wine's spooler
// and the test printer. A run reads the device mode afresh, which the driver keeps per
// process: what one run stores, the next run shows.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/process_driver.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_printer.h"

namespace {

constexpr wchar_t AppDefaultsPath[] = L"Software\\Wine\\AppDefaults\\properties.exe";

std::optional<DWORD> ExitCode(DWORD code) { return code; }
std::optional<LRESULT> CheckState(LRESULT state) { return state; }

short StoredOrientation() { return StoredDeviceModeFields().dmOrientation; }

class DevicePagesInTheProgram : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        saved_ = StoredDeviceMode();
        ASSERT_FALSE(saved_.empty()) << "the test printer is not installed";
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, AppDefaultsPath);
        RegDeleteKeyW(HKEY_CURRENT_USER, AppDefaultsPath);
        StoreDeviceMode(saved_);
        RegistryTest::TearDown();
    }

private:
    std::vector<BYTE> saved_;
};

TEST_F(DevicePagesInTheProgram, OrientationStoredOnOkIsShownByTheNextRun) {
    ASSERT_EQ(StoredOrientation(), DMORIENT_PORTRAIT);
    {
        ProgramUnderTest program;
        ASSERT_NE(program.waitForSheet(), nullptr);
        ASSERT_GE(program.showPage(IDD_GENERAL_PAGE), 0);
        EXPECT_EQ(program.checkState(IDC_PORTRAIT), CheckState(BST_CHECKED));
        ASSERT_TRUE(program.click(IDC_LANDSCAPE));
        EXPECT_EQ(program.checkState(IDC_LANDSCAPE), CheckState(BST_CHECKED));
        EXPECT_EQ(StoredOrientation(), DMORIENT_PORTRAIT) << "stored before OK";
        ASSERT_TRUE(program.pressButton(PSBTN_OK));
        EXPECT_EQ(program.waitForExit(), ExitCode(0));
        EXPECT_TRUE(program.boxesSeen().empty());
    }
    EXPECT_EQ(StoredOrientation(), DMORIENT_LANDSCAPE);

    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    ASSERT_GE(program.showPage(IDD_GENERAL_PAGE), 0);
    EXPECT_EQ(program.checkState(IDC_LANDSCAPE), CheckState(BST_CHECKED));
    EXPECT_EQ(program.checkState(IDC_PORTRAIT), CheckState(BST_UNCHECKED));
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), ExitCode(0));
}

TEST_F(DevicePagesInTheProgram, OrientationChangedAndCancelledIsNotStored) {
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    ASSERT_GE(program.showPage(IDD_GENERAL_PAGE), 0);
    ASSERT_TRUE(program.click(IDC_LANDSCAPE));
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), ExitCode(0));
    EXPECT_EQ(StoredOrientation(), DMORIENT_PORTRAIT);
}

// Wine gives its Windows 95/98/Me environment a 16-bit driver stub that no 32- or 64-bit
// program can load; the test printer's installer puts a loadable driver in its place.
std::wstring Windows98Driver() {
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(L"Windows 4.0"), 1, reinterpret_cast<BYTE*>(folder),
                               sizeof folder, &needed);
    return std::wstring(folder) + L"\\3\\wineps.drv";
}

// Also when that driver cannot be loaded the sheet opens on the page Windows 98 gets,
// every control off as its settings could not be read; the one box names the failed
// call with the code that call set (Wine's), not one an earlier call left behind.
TEST_F(DevicePagesInTheProgram, AsWindows98TheGeneralPageHandsOverToTheDriverAndPaperIsMissing) {
    SetText(HKEY_CURRENT_USER, AppDefaultsPath, L"Version", L"win98");
    for (bool driverLoads : {true, false}) {
        SCOPED_TRACE(driverLoads ? "the driver loads" : "the driver cannot be loaded");
        const std::wstring driver = Windows98Driver(), setAside = driver + L".aside";
        if (!driverLoads) {
            ASSERT_TRUE(MoveFileW(driver.c_str(), setAside.c_str()));
        }
        ProgramUnderTest program;
        if (!driverLoads) {
            HWND box = program.waitForMessageBox();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(program.boxesSeen()[0].text,
                      L"DocumentProperties() failed.\nError # 1157: " + SystemText(ERROR_DLL_NOT_FOUND));
            program.answerMessageBox(box);
        }
        ASSERT_NE(program.waitForSheet(), nullptr);
        if (ProgramUnderTest::CanReadProgramMemory()) {
            EXPECT_EQ(program.tabTitles(), (std::vector<std::wstring>{L"General", L"Agent", L"EMF", L"PDF", L"About"}));
        }
        EXPECT_EQ(program.pageCount(), 5);
        EXPECT_LT(program.showPage(IDD_PAPER_PAGE), 0) << "a Paper page";
        ASSERT_GE(program.showPage(IDD_GENERAL_PAGE), 0);
        HWND page = program.currentPage();
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_DRIVER_PROPERTIES)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_PORTRAIT)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_RESOLUTION_LIST)));
        EXPECT_EQ(program.checkState(IDC_PORTRAIT), CheckState(driverLoads ? BST_CHECKED : BST_UNCHECKED));
        ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
        EXPECT_EQ(program.waitForExit(), ExitCode(0));
        EXPECT_EQ(program.boxesSeen().size(), driverLoads ? 0u : 1u);
        if (!driverLoads) MoveFileW(setAside.c_str(), driver.c_str());
    }
}

TEST_F(DevicePagesInTheProgram, WithoutTheWindows98SettingThePaperPageIsThere) {
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    EXPECT_EQ(program.showPage(IDD_PAPER_PAGE), 1);
    ASSERT_EQ(program.showPage(IDD_GENERAL_PAGE), 0);
    HWND page = program.currentPage();
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_DRIVER_PROPERTIES)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_PORTRAIT)));
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), ExitCode(0));
}

// The spooler (and, under Wine, the host's printing library it brings), the file and
// folder choosers and the shell are loaded when something needs them, not at start-up.
// (The module list is read from the program's memory: see test_main.cpp for x86.)
class ModulesOfTheProgram : public DevicePagesInTheProgram {};

TEST_F(ModulesOfTheProgram, ASheetWithoutPrinterPagesNeverLoadsTheSpooler) {
    ProgramUnderTest program(L"/nogeneral /nopaper");
    ASSERT_NE(program.waitForSheet(), nullptr);
    std::set<std::wstring> modules = program.loadedModules();
    ASSERT_TRUE(modules.count(L"comctl32.dll")) << "the module list cannot be read";
    EXPECT_FALSE(modules.count(L"winspool.drv"));
    EXPECT_FALSE(modules.count(L"comdlg32.dll"));
    EXPECT_FALSE(modules.count(L"shell32.dll"));
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), ExitCode(0));
}

TEST_F(ModulesOfTheProgram, TheGeneralPageLoadsTheSpoolerButNotTheChoosers) {
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    ASSERT_EQ(program.currentPageIndex(), 0);
    std::set<std::wstring> modules = program.loadedModules();
    EXPECT_TRUE(modules.count(L"winspool.drv"));
    EXPECT_FALSE(modules.count(L"comdlg32.dll"));
    EXPECT_FALSE(modules.count(L"shell32.dll"));
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), ExitCode(0));
}

// The spooler imports compstui.dll: a DLL of that name beside the program must not be
// taken, as the program restricts the search to the system directory at its start.
TEST_F(ModulesOfTheProgram, ADllPlantedBesideTheProgramIsNotLoadedInTurnByTheSpooler) {
    const std::wstring folder = TestProgramDirectory() + L"planted\\";
    const std::wstring copy = folder + L"properties.exe";
    const std::wstring marker = folder + L"planted-dll-loaded";
    ASSERT_NE(GetFileAttributesW((folder + L"compstui.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(CopyFileW((TestProgramDirectory() + L"properties.exe").c_str(), copy.c_str(), FALSE));
    DeleteFileW(marker.c_str());
    {
        ProgramUnderTest program(L"", copy);
        ASSERT_NE(program.waitForSheet(), nullptr);
        ASSERT_EQ(program.currentPageIndex(), 0);
        EXPECT_TRUE(program.loadedModules().count(L"winspool.drv")) << "the General page loads the spooler";
        EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted DLL was loaded";
        ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
        EXPECT_EQ(program.waitForExit(), ExitCode(0));
    }
    DeleteFileW(copy.c_str());
    DeleteFileW(marker.c_str());
}

}  // namespace
