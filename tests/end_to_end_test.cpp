// properties.exe run as a separate process and operated through its windows. The
// test program and the program share the Wine prefix, hence the registry.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/process_driver.h"
#include "tests/support/agent_page_values.h"
#include "tests/support/registry_fixture.h"

namespace {

// A second start has nothing to wait for: it must be gone long before a window could appear.
constexpr DWORD SecondStartTimeoutMs = 5000;
// Apply writes while the press is handled; this only covers the trip through the queue.
constexpr DWORD ApplyTimeoutMs = 5000;

std::optional<DWORD> ExitCode(DWORD code) { return code; }
std::optional<LRESULT> CheckState(LRESULT state) { return state; }
std::optional<DWORD> StoredDword(DWORD value) { return value; }

std::optional<DWORD> StoredUserDword(const wchar_t* name) {
    return ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, name);
}

std::wstring WindowTitle(HWND window) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    return title;
}

// Closes the sheet with Cancel and expects a clean exit.
void CancelAndExpectCleanExit(ProgramUnderTest& program) {
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), ExitCode(0));
}

// ---------------------------------------------------------------------------

class SingleInstance : public InstalledRegistryTest {};

TEST_F(SingleInstance, SecondStartExitsAtOnceAndLeavesTheFirstSheetOpen) {
    ProgramUnderTest first;
    HWND sheet = first.waitForSheet();
    ASSERT_NE(sheet, nullptr);

    ProgramUnderTest second;
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitForExit(SecondStartTimeoutMs), ExitCode(0));
    EXPECT_FALSE(second.visibleWindowEverSeen());
    EXPECT_TRUE(second.boxesSeen().empty());

    EXPECT_TRUE(first.running());
    EXPECT_TRUE(IsWindowVisible(sheet));
    EXPECT_EQ(first.waitForSheet(0), sheet);
    CancelAndExpectCleanExit(first);
    EXPECT_TRUE(first.boxesSeen().empty());
}

// The guard is the mutex's name, whoever holds it.
TEST_F(SingleInstance, AMutexOfTheGuardsNameHeldElsewhereEndsTheStartAtOnce) {
    UniqueHandle held(CreateMutexW(nullptr, FALSE, L"Lumarel Printer_properties_mutex"));
    ASSERT_NE(held.get(), nullptr);
    ProgramUnderTest program;
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.waitForExit(SecondStartTimeoutMs), ExitCode(0));
    EXPECT_FALSE(program.visibleWindowEverSeen());
    EXPECT_TRUE(program.boxesSeen().empty());
}

TEST_F(SingleInstance, StartAfterTheFirstRunEndedShowsTheSheetAgain) {
    {
        ProgramUnderTest first;
        ASSERT_NE(first.waitForSheet(), nullptr);
        CancelAndExpectCleanExit(first);
    }
    ProgramUnderTest second;
    ASSERT_NE(second.waitForSheet(), nullptr);
    CancelAndExpectCleanExit(second);
}

// ---------------------------------------------------------------------------
// A main key that exists but cannot be opened: one error box, no sheet, exit code 1.

struct DeniedKey {
    const char* name;
    HKEY root;
    const wchar_t* path;
    const wchar_t* shownPath;  // as the box names it
};

void PrintTo(const DeniedKey& key, std::ostream* out) { *out << key.name << " key"; }

class RegistryDeniedAtStart : public InstalledRegistryTest, public ::testing::WithParamInterface<DeniedKey> {};

TEST_P(RegistryDeniedAtStart, ShowsOneErrorBoxAndExitsWithOneWithoutSheet) {
    DenyAccess(GetParam().root, GetParam().path);
    HKEY raw = nullptr;
    LONG status = RegOpenKeyExW(GetParam().root, GetParam().path, 0, KEY_READ | InstallerView(GetParam().root), &raw);
    UniqueRegKey probe(raw);
    ASSERT_EQ(status, ERROR_ACCESS_DENIED) << "the key must be unreadable for the test to mean anything";

    ProgramUnderTest program;
    HWND box = program.waitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(program.boxesSeen().size(), 1u);
    EXPECT_EQ(program.boxesSeen()[0].caption, L"Lumarel Printer properties");
    const std::wstring expected =
        std::wstring(L"Failed to open registry key\n") + GetParam().shownPath + L"\nError # 5: " + SystemText(5);
    EXPECT_EQ(program.boxesSeen()[0].text, expected);

    ASSERT_TRUE(program.answerMessageBox(box, IDOK));
    EXPECT_EQ(program.waitForExit(), ExitCode(1));
    EXPECT_EQ(program.boxesSeen().size(), 1u);
    EXPECT_FALSE(program.sheetEverSeen());
}

INSTANTIATE_TEST_SUITE_P(
    MainKeys, RegistryDeniedAtStart,
    ::testing::Values(DeniedKey{"Machine", HKEY_LOCAL_MACHINE, MachineKeyPath, L"HKLM\\Software\\LumarelPrinter"},
                      DeniedKey{"Defaults", HKEY_LOCAL_MACHINE, DefaultsKeyPath,
                                L"HKLM\\Software\\LumarelPrinter\\Defaults"},
                      DeniedKey{"User", HKEY_CURRENT_USER, UserKeyPath, L"HKCU\\Software\\LumarelPrinter"}),
    [](const ::testing::TestParamInfo<DeniedKey>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

class EmfSetting : public InstalledRegistryTest {};

// Waits for the sheet, goes to the EMF page, expects the box in state `before` and
// clicks it, which must turn it over.
void ClickSaveToEmf(ProgramUnderTest& program, LRESULT before) {
    ASSERT_NE(program.waitForSheet(), nullptr);
    ASSERT_GE(program.showPage(IDD_EMF_PAGE), 0);
    EXPECT_EQ(program.checkState(IDC_EMF_SAVE), CheckState(before));
    ASSERT_TRUE(program.click(IDC_EMF_SAVE));
    EXPECT_EQ(program.checkState(IDC_EMF_SAVE), CheckState(before == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED));
}

TEST_F(EmfSetting, TickedBoxIsStoredOnOkAndShownTickedNextTime) {
    {
        ProgramUnderTest program;
        ASSERT_NO_FATAL_FAILURE(ClickSaveToEmf(program, BST_UNCHECKED));
        EXPECT_EQ(StoredUserDword(L"EMF: Enabled"), std::nullopt) << "stored before OK";
        ASSERT_TRUE(program.pressButton(PSBTN_OK));
        EXPECT_EQ(program.waitForExit(), ExitCode(0));
    }
    EXPECT_EQ(StoredUserDword(L"EMF: Enabled"), StoredDword(1));

    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(ClickSaveToEmf(program, BST_CHECKED));
    ASSERT_TRUE(program.pressButton(PSBTN_APPLYNOW));
    EXPECT_TRUE(WaitUntil([] { return StoredUserDword(L"EMF: Enabled") == StoredDword(0); }, ApplyTimeoutMs))
        << "Apply did not store 0";
    EXPECT_TRUE(program.running()) << "Apply closed the sheet";
    CancelAndExpectCleanExit(program);
    EXPECT_EQ(StoredUserDword(L"EMF: Enabled"), StoredDword(0));
}

TEST_F(EmfSetting, TickedBoxIsNotStoredOnCancel) {
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(ClickSaveToEmf(program, BST_UNCHECKED));
    CancelAndExpectCleanExit(program);
    EXPECT_EQ(StoredUserDword(L"EMF: Enabled"), std::nullopt);
}

// ---------------------------------------------------------------------------

class AgentSetting : public InstalledRegistryTest {};

TEST_F(AgentSetting, EditedPathAndModeAreStoredOnOkWithTheOtherValues) {
    const std::optional<AgentValues> installed = ReadAgentValues(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(installed.has_value());
    {
        ProgramUnderTest program;
        ASSERT_NE(program.waitForSheet(), nullptr);
        ASSERT_GE(program.showPage(IDD_AGENT_PAGE), 0);
        EXPECT_EQ(program.controlText(IDC_AGENT_APPLICATION), installed->application) << "the machine's value";
        ASSERT_TRUE(program.typeOver(IDC_AGENT_APPLICATION, L"D:\\Client App\\run.exe"));
        ASSERT_TRUE(program.chooseComboItem(IDC_AGENT_MODE, 1));
        EXPECT_EQ(ReadAgentValues(HKEY_CURRENT_USER), std::nullopt) << "stored before OK";
        ASSERT_TRUE(program.pressButton(PSBTN_OK));
        EXPECT_EQ(program.waitForExit(), ExitCode(0));
        EXPECT_TRUE(program.boxesSeen().empty());
    }
    AgentValues expected = *installed;
    expected.application = L"D:\\Client App\\run.exe";
    expected.transferMode = 1;
    EXPECT_EQ(ReadAgentValues(HKEY_CURRENT_USER), expected);

    // The next run shows the user's values.
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    ASSERT_GE(program.showPage(IDD_AGENT_PAGE), 0);
    EXPECT_EQ(program.controlText(IDC_AGENT_APPLICATION), expected.application);
    CancelAndExpectCleanExit(program);
}

// ---------------------------------------------------------------------------
// The page viewed last is stored whichever button closes the sheet, and the next
// start opens on it.

struct ClosingCase {
    const char* name;
    int pageTemplate;  // the page to view
    int pageControl;   // a control that only that page has
    int button;
};

void PrintTo(const ClosingCase& closing, std::ostream* out) { *out << closing.name; }

class LastViewedPage : public InstalledRegistryTest, public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(LastViewedPage, IsStoredWhenTheSheetClosesAndOpenedNextTime) {
    int viewed = -1;
    {
        ProgramUnderTest program;
        ASSERT_NE(program.waitForSheet(), nullptr);
        EXPECT_EQ(program.currentPageIndex(), 0) << "nothing stored: the first page";
        // Leave the first page, so that the page viewed last was really chosen.
        ASSERT_TRUE(program.selectPage(program.pageCount() - 1));
        viewed = program.showPage(GetParam().pageTemplate);
        ASSERT_GE(viewed, 0);
        EXPECT_EQ(program.currentPageIndex(), viewed);
        ASSERT_TRUE(program.pressButton(GetParam().button));
        EXPECT_EQ(program.waitForExit(), ExitCode(0));
    }
    EXPECT_EQ(StoredUserDword(L"Last Viewed Page"), StoredDword(static_cast<DWORD>(viewed)));

    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    EXPECT_EQ(program.currentPageIndex(), viewed);
    EXPECT_NE(GetDlgItem(program.currentPage(), GetParam().pageControl), nullptr);
    CancelAndExpectCleanExit(program);
}

INSTANTIATE_TEST_SUITE_P(Closing, LastViewedPage,
                         ::testing::Values(ClosingCase{"AboutThenCancel", IDD_ABOUT_PAGE, IDC_ABOUT_BANNER, PSBTN_CANCEL},
                                           ClosingCase{"AgentThenCancel", IDD_AGENT_PAGE, IDC_AGENT_APPLICATION,
                                                       PSBTN_CANCEL},
                                           ClosingCase{"AboutThenOk", IDD_ABOUT_PAGE, IDC_ABOUT_BANNER, PSBTN_OK},
                                           ClosingCase{"EmfThenCancel", IDD_EMF_PAGE, IDC_EMF_SAVE, PSBTN_CANCEL}),
                         [](const ::testing::TestParamInfo<ClosingCase>& info) { return std::string(info.param.name); });

class StoredPageOutOfRange : public InstalledRegistryTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(StoredPageOutOfRange, OpensOnTheFirstPage) {
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page", GetParam());
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    EXPECT_EQ(program.currentPageIndex(), 0);
    CancelAndExpectCleanExit(program);
    EXPECT_EQ(StoredUserDword(L"Last Viewed Page"), StoredDword(0)) << "the first page was viewed last";
}

INSTANTIATE_TEST_SUITE_P(Values, StoredPageOutOfRange, ::testing::Values(99u, 0xFFFFFFFFu, 0x80000000u));

// ---------------------------------------------------------------------------

// The switches and the machine's hide flags decide which pages the running sheet has;
// the tabs carry the page table's titles, not the templates' captions.

struct SheetCase {
    const char* name;
    const wchar_t* tail;
    std::vector<const wchar_t*> hideFlags;  // set to 1 under the machine key
    std::vector<std::wstring> tabs;
};

void PrintTo(const SheetCase& sheetCase, std::ostream* out) { *out << sheetCase.name; }

// A control that only the page of this title has.
int ControlOfPage(const std::wstring& title) {
    if (title == L"General") return IDC_RESOLUTION_LIST;
    if (title == L"Paper") return IDC_PAPER_LIST;
    if (title == L"Agent") return IDC_AGENT_APPLICATION;
    if (title == L"EMF") return IDC_EMF_SAVE;
    if (title == L"PDF") return IDC_PDF_NEW;
    return IDC_ABOUT_BANNER;
}

class CommandLine : public InstalledRegistryTest, public ::testing::WithParamInterface<SheetCase> {};

TEST_P(CommandLine, SwitchesAndHideFlagsChooseTheTabs) {
    for (const wchar_t* flag : GetParam().hideFlags) SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, flag, 1);
    ProgramUnderTest program(GetParam().tail);
    HWND sheet = program.waitForSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_NE(WindowTitle(sheet).find(L"Lumarel Printer"), std::wstring::npos) << "title: " << WindowTitle(sheet);
    const std::vector<std::wstring>& tabs = GetParam().tabs;
    if (ProgramUnderTest::CanReadProgramMemory()) {
        EXPECT_EQ(program.tabTitles(), tabs);
    }
    EXPECT_EQ(program.pageCount(), static_cast<int>(tabs.size()));
    for (size_t index = 0; index < tabs.size(); ++index) {
        ASSERT_TRUE(program.selectPage(static_cast<int>(index)));
        EXPECT_NE(GetDlgItem(program.currentPage(), ControlOfPage(tabs[index])), nullptr) << "tab " << index;
    }
    CancelAndExpectCleanExit(program);
    EXPECT_TRUE(program.boxesSeen().empty());
}

// The frame a user sees: no "?" button, About last, centred (the icons are checked in
// process: Wine answers WM_GETICON from another process with nothing).
TEST_F(SingleInstance, SheetHasNoHelpButtonIsCentredAndEndsWithAbout) {
    ProgramUnderTest program;
    HWND sheet = program.waitForSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(GetWindowLongW(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
    HWND help = GetDlgItem(sheet, IDHELP);
    EXPECT_TRUE(help == nullptr || !IsWindowVisible(help)) << "a Help button is shown";
    EXPECT_NE(GetWindowLongW(sheet, GWL_STYLE) & DS_CENTER, 0);
    EXPECT_EQ(program.showPage(IDD_ABOUT_PAGE), program.pageCount() - 1);
    CancelAndExpectCleanExit(program);
}

const std::vector<std::wstring> AllTabs = {L"General", L"Paper", L"Agent", L"EMF", L"PDF", L"About"};

std::vector<std::wstring> AllTabsBut(std::initializer_list<const wchar_t*> missing) {
    std::vector<std::wstring> tabs;
    for (const std::wstring& tab : AllTabs)
        if (std::find(missing.begin(), missing.end(), tab) == missing.end()) tabs.push_back(tab);
    return tabs;
}

INSTANTIATE_TEST_SUITE_P(
    Tails, CommandLine,
    ::testing::Values(SheetCase{"None", L"", {}, AllTabs},
                      SheetCase{"NoGeneral", L"/nogeneral", {}, AllTabsBut({L"General"})},
                      SheetCase{"NoPaper", L"/nopaper", {}, AllTabsBut({L"Paper"})},
                      SheetCase{"Both", L"/nogeneral /nopaper", {}, AllTabsBut({L"General", L"Paper"})},
                      SheetCase{"BothInCapitals", L"/NOPAPER  /NoGeneral", {}, AllTabsBut({L"General", L"Paper"})},
                      SheetCase{"Unknown", L"/unknown", {}, AllTabs},
                      SheetCase{"AmongOthers", L"-x /nogeneral extra \"quoted words\"", {}, AllTabsBut({L"General"})},
                      SheetCase{"Joined", L"/nogeneral/nopaper", {}, AllTabs},
                      SheetCase{"AgentHidden", L"", {L"Agent: Hide page"}, AllTabsBut({L"Agent"})},
                      SheetCase{"EmfHidden", L"", {L"EMF: Hide page"}, AllTabsBut({L"EMF"})},
                      SheetCase{"PdfHidden", L"", {L"PDF: Hide page"}, AllTabsBut({L"PDF"})},
                      SheetCase{"Everything",
                                L"/nogeneral /nopaper",
                                {L"Agent: Hide page", L"EMF: Hide page", L"PDF: Hide page"},
                                {L"About"}}),
    [](const ::testing::TestParamInfo<SheetCase>& info) { return std::string(info.param.name); });



// ---------------------------------------------------------------------------
// "/export" and "/import" as a logon script runs them: its output led to a file, the
// outcome in the exit code and one line.

struct ScriptRun {
    std::optional<DWORD> exitCode;
    std::string line;
};

ScriptRun RunFromScript(const std::wstring& tail) {
    ScriptRun run;
    wchar_t directory[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    const std::wstring outputPath = std::wstring(directory) + L"script output.txt";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no output file";
        return run;
    }
    const std::wstring program = TestProgramDirectory() + L"properties.exe";
    std::wstring commandLine = L"\"" + program + L"\" " + tail;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(output);
    if (!started) {
        ADD_FAILURE() << "CreateProcessW failed with " << GetLastError();
        return run;
    }
    UniqueHandle thread(info.hThread), process(info.hProcess);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), ExitTimeoutMs) == WAIT_OBJECT_0 && GetExitCodeProcess(process.get(), &code))
        run.exitCode = code;
    HANDLE input = CreateFileW(outputPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (input != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD read = 0;
        if (ReadFile(input, buffer, sizeof buffer, &read, nullptr)) run.line.assign(buffer, read);
        CloseHandle(input);
    }
    DeleteFileW(outputPath.c_str());
    return run;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

class ScriptedTransfer : public InstalledRegistryTest {};

TEST_F(ScriptedTransfer, ExportAndImportTellTheirOutcomeByExitCodeAndOneLine) {
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", 2);
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", 0);  // the current one does not travel
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"Office");
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Title", L"Quarterly report");
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[1] Profile name", L"Web");
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"[1] Later version's option", REG_MULTI_SZ, L"a\0b\0", 10);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"EMF: Enabled", 1);
    const auto profiles = ValuesInCapitals(HKEY_CURRENT_USER, UserProfilesPath);
    const std::wstring file = L"C:\\users\\Public\\all profiles.lpsettings";
    const std::wstring quoted = L"\"" + file + L"\"";

    ScriptRun run = RunFromScript(L"/export " + quoted + L" /settings");
    EXPECT_EQ(run.exitCode, ExitCode(0));
    EXPECT_EQ(run.line, "Exported 2 profiles to C:\\users\\Public\\all profiles.lpsettings.\r\n");

    // Another account, or a new machine: the store comes back whole.
    DeleteProgramKeys();
    run = RunFromScript(L"/import " + quoted + L" /settings");
    EXPECT_EQ(run.exitCode, ExitCode(0)) << run.line;
    EXPECT_EQ(Differing(profiles, ValuesInCapitals(HKEY_CURRENT_USER, UserProfilesPath)), std::set<std::wstring>{});
    EXPECT_EQ(StoredUserDword(L"EMF: Enabled"), StoredDword(1));
    // Run at every logon: the profiles there already are left alone.
    run = RunFromScript(L"/import " + quoted);
    EXPECT_EQ(run.exitCode, ExitCode(0));
    EXPECT_EQ(run.line, "Imported C:\\users\\Public\\all profiles.lpsettings: 0 profiles added, 0 replaced, 2 "
                        "skipped.\r\n");
    EXPECT_EQ(Differing(profiles, ValuesInCapitals(HKEY_CURRENT_USER, UserProfilesPath)), std::set<std::wstring>{});

    struct Failing {
        std::wstring tail;
        DWORD exitCode;
        const char* lineStart;
    };
    const std::wstring later = L"C:\\users\\Public\\later.lpsettings";
    ASSERT_TRUE(WriteBytes(later, "Lumarel Printer settings, version 2.0\r\n[End]\r\n"));
    for (const Failing& failing : {Failing{L"/import C:\\users\\Public\\none.lpsettings", 3, "The file could not be read:"},
                                   Failing{L"/import " + later, 4, "The file cannot be imported: C:\\users\\Public\\later.lpsettings Line 1: "},
                                   Failing{L"/import", 5, "Usage: properties /export FILE"},
                                   Failing{L"/export C:\\no\\such\\folder\\x.lpsettings", 3, "The file could not be written:"}}) {
        run = RunFromScript(failing.tail);
        EXPECT_EQ(run.exitCode, ExitCode(failing.exitCode)) << std::string(failing.tail.begin(), failing.tail.end());
        EXPECT_EQ(run.line.rfind(failing.lineStart, 0), 0u) << run.line;
    }
    DeleteFileW(later.c_str());

    // An import never races an open sheet.
    {
        ProgramUnderTest sheet;
        ASSERT_NE(sheet.waitForSheet(), nullptr);
        run = RunFromScript(L"/import " + quoted + L" /replace");
        EXPECT_EQ(run.exitCode, ExitCode(2));
        EXPECT_EQ(run.line, "The printer's properties are open. Close them and try again.\r\n");
        CancelAndExpectCleanExit(sheet);
    }
    // A store that cannot be written.
    DenyAccess(HKEY_CURRENT_USER, UserProfilesPath);
    run = RunFromScript(L"/import " + quoted + L" /replace");
    RestoreAccess(HKEY_CURRENT_USER, UserProfilesPath);
    EXPECT_EQ(run.exitCode, ExitCode(1));
    DeleteFileW(file.c_str());
}

}  // namespace
