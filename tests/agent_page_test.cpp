// The Agent page in a live sheet, with the registry read back after each apply.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "handoff/agent_page.h"
#include "res/resource.h"
#include "settings/agent_values.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"
#include "tests/support/error_log.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/agent_page_values.h"
#include "tests/support/registry_fixture.h"

namespace {

const AgentValues UserValues{L"C:\\Users\\me\\client.exe", 1, L"Agent Window", 1234, L"C:\\Users\\me\\out", 1,
                             L"C:\\Users\\me\\prepare.exe"};
const AgentValues MachineValues{L"C:\\Program Files\\Lumarel\\client.exe", 0, L"Machine Window", 77, L"C:\\Output", 0,
                                L"C:\\Program Files\\Lumarel\\prepare.exe"};

// What the page shows, in the shape of the stored values (the mode is the selection).
AgentValues Shown(HWND page) {
    return {ControlText(page, IDC_AGENT_APPLICATION),
            static_cast<DWORD>(ComboSelection(page, IDC_AGENT_MODE)),
            ControlText(page, IDC_AGENT_TITLE),
            ParseMessageId(ControlText(page, IDC_AGENT_MESSAGE_ID).c_str()),
            ControlText(page, IDC_AGENT_DIRECTORY),
            static_cast<DWORD>(IsDlgButtonChecked(page, IDC_AGENT_PREPROCESSING)),
            ControlText(page, IDC_AGENT_PREPROCESSOR)};
}

class AgentPageTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        StartWithEmptyErrorLog();
        ASSERT_EQ(LoadSheetSettings(), 1);
    }
    void TearDown() override {
        sheet_.reset();
        SetAgentAllocator(nullptr);
        RegistryTest::TearDown();
    }
    // A new sheet (the one before is gone first) on the Agent page, with these user values.
    HWND Open(const AgentValues* user = nullptr) {
        sheet_.reset();
        if (user) SetAgentValues(HKEY_CURRENT_USER, *user);
        sheet_ = std::make_unique<ModelessSheet>();
        return sheet_->ShowPage(IDD_AGENT_PAGE);
    }
    HWND Open(const AgentValues& user) { return Open(&user); }
    ModelessSheet& sheet() { return *sheet_; }

private:
    std::unique_ptr<ModelessSheet> sheet_;
};

// ---------------------------------------------------------------------------
// What the page shows

TEST_F(AgentPageTest, ShowsTheSevenUserValuesWithoutReadingTheMachineKey) {
    HWND page = Open(UserValues);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Shown(page), UserValues);
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"1234");
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_MESSAGE_ID));
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_TITLE));
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR));
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR_BROWSE));
    // Reading the absent machine key would have left its entries in the log.
    EXPECT_FALSE(ErrorLogExists());
    EXPECT_FALSE(sheet().ApplyEnabled()) << "showing the values is no change";

    EXPECT_EQ(ControlText(page, IDC_AGENT_APPLICATION_LABEL), L"A&pplication");
    EXPECT_EQ(ControlText(page, IDC_AGENT_DIRECTORY_LABEL), L"&Output directory");
    EXPECT_EQ(ControlText(page, IDC_AGENT_MODE_LABEL), L"T&ransfer mode");
    EXPECT_EQ(ControlText(page, IDC_AGENT_TITLE_LABEL), L"&Title");
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID_LABEL), L"&Message ID");
    ASSERT_EQ(SendDlgItemMessageW(page, IDC_AGENT_MODE, CB_GETCOUNT, 0, 0), 3);
    const wchar_t* modes[] = {L"command prompt", L"send message", L"none"};
    for (int index = 0; index < 3; ++index) {
        wchar_t entry[64] = {};
        SendDlgItemMessageW(page, IDC_AGENT_MODE, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry));
        EXPECT_STREQ(entry, modes[index]);
    }
}

// The user's values without "Message ID" and with "Transfer Mode" as another program
// might leave it: a text of 12 bytes without terminator, unreadable as a number.
void StoreUserValuesWithGaps() {
    SetAgentValues(HKEY_CURRENT_USER, UserValues);
    DeleteStored(HKEY_CURRENT_USER, UserKeyPath, L"Message ID");
    SetRaw(HKEY_CURRENT_USER, UserKeyPath, L"Transfer Mode", REG_SZ, L"mode 2", 12);
    SetAgentValues(HKEY_LOCAL_MACHINE, MachineValues);
}

TEST_F(AgentPageTest, EachValueTheUserKeyLacksOrCannotReadIsTheMachines) {
    StoreUserValuesWithGaps();
    MessageBoxWatcher watcher;
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    AgentValues expected = UserValues;
    expected.transferMode = MachineValues.transferMode;
    expected.messageId = MachineValues.messageId;
    EXPECT_EQ(Shown(page), expected);
    EXPECT_FALSE(IsControlEnabled(page, IDC_AGENT_MESSAGE_ID)) << "the machine's mode is shown";
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR)) << "the user's preprocessing is shown";
    EXPECT_TRUE(watcher.boxes().empty());
}

// ShowProperties may run twice in one process: each page starts from the registry again.
TEST_F(AgentPageTest, ANewPageReadsTheTablesAgain) {
    SetAgentValues(HKEY_LOCAL_MACHINE, MachineValues);
    {
        HWND page = Open();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(Shown(page), MachineValues);
    }
    HWND page = Open(UserValues);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Shown(page), UserValues) << "the user's values are read again";
}

// Values that are not there are normal, on the machine too: nothing to report.
TEST_F(AgentPageTest, MissingMachineValuesAreShownEmptyWithoutABox) {
    MessageBoxWatcher watcher;
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(Shown(page), (AgentValues{L"", 0, L"", 0, L"", 0, L""}));
    EXPECT_FALSE(sheet().ApplyEnabled()) << "filling the boxes is no change";

    // Nothing edited: nothing written, not even the empty values.
    EXPECT_TRUE(sheet().Apply());
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"Client Application").has_value());
    EXPECT_TRUE(watcher.boxes().empty());
}

// Only when a machine value is needed.
TEST_F(AgentPageTest, AMachineKeyThatCannotBeReadIsReported) {
    SetAgentValues(HKEY_LOCAL_MACHINE, MachineValues);
    DenyAccess(HKEY_LOCAL_MACHINE, MachineKeyPath);
    MessageBoxWatcher watcher;
    ASSERT_NE(Open(UserValues), nullptr);
    EXPECT_TRUE(watcher.boxes().empty()) << "the user holds all seven";
    DeleteStored(HKEY_CURRENT_USER, UserKeyPath, L"Output Directory");
    HWND page = Open();
    RestoreAccess(HKEY_LOCAL_MACHINE, MachineKeyPath);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, L"Lumarel Printer properties");
    EXPECT_EQ(watcher.boxes()[0].text,
              L"Failed to read default printer settings from HKLM.\nError # 5: " + SystemText(5));
    AgentValues expected = UserValues;
    expected.directory = L"";
    EXPECT_EQ(Shown(page), expected);
}

TEST_F(AgentPageTest, MachineValuesThatCouldBeReadAreShownOneByOne) {
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Transfer Mode", 1);
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Message ID", 0xFFFFFFFF);
    SetDword(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Preprocessing: Enabled", 1);
    SetText(HKEY_LOCAL_MACHINE, MachineKeyPath, L"Client Application", L"C:\\partial.exe");
    MessageBoxWatcher watcher;
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(watcher.boxes().empty()) << "only absent values failed";
    EXPECT_EQ(Shown(page), (AgentValues{L"C:\\partial.exe", 1, L"", 0xFFFFFFFF, L"", 1, L""}));
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"-1");
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_TITLE));
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR));
}

TEST_F(AgentPageTest, OnlySendMessageEnablesTheMessageTarget) {
    for (DWORD mode : {0u, 1u, 2u, 5u, 0xFFFFFFFFu}) {
        AgentValues values = UserValues;
        values.transferMode = mode;
        HWND page = Open(values);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(IsControlEnabled(page, IDC_AGENT_MESSAGE_ID), mode == 1) << mode;
        EXPECT_EQ(IsControlEnabled(page, IDC_AGENT_TITLE), mode == 1) << mode;
        EXPECT_EQ(ComboSelection(page, IDC_AGENT_MODE), mode <= 2 ? static_cast<LRESULT>(mode) : CB_ERR) << mode;
        EXPECT_EQ(ControlText(page, IDC_AGENT_TITLE), L"Agent Window") << "a disabled box still shows its value";
    }
}

TEST_F(AgentPageTest, UnknownTransferModeSurvivesAnApplyUnlessAnEntryIsPicked) {
    AgentValues values = UserValues;
    values.transferMode = 5;
    HWND page = Open(values);
    ASSERT_NE(page, nullptr);
    TypeOver(page, IDC_AGENT_DIRECTORY, L"C:\\elsewhere");
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Transfer Mode"), 5u);

    ChooseComboItem(page, IDC_AGENT_MODE, 2);
    EXPECT_TRUE(sheet().ApplyEnabled());
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Transfer Mode"), 2u);
}

// ---------------------------------------------------------------------------
// Which values an apply writes

// Per row, in AgentRow order: 'H' the user key holds it, 'x' the page changed it, 'W' written.
TEST(AgentChange, WritesNothingOrAllButTheHeldUnchangedOnes) {
    struct Case {
        const char *held, *changed, *written;
    };
    const Case cases[] = {
        {"-------", "-------", "-------"}, {"HHHHHHH", "-------", "-------"}, {"HHHHHHH", "---x---", "---W---"},
        {"-------", "x------", "WWWWWWW"}, {"H-H-H-H", "x-----x", "WW-W-WW"}, {"HHHHHHH", "xxxxxxx", "WWWWWWW"},
    };
    AgentLoad loaded;
    for (size_t row = 0; row < AgentRowCount; ++row) loaded.shown[row] = {IsAgentText(row) ? L"text" : L"", 7};
    for (const Case& c : cases) {
        AgentShown edited = loaded.shown;
        std::string written;
        for (size_t row = 0; row < AgentRowCount; ++row) {
            loaded.userHolds[row] = c.held[row] == 'H';
            if (c.changed[row] == 'x') ++edited[row].number;
        }
        for (bool write : AgentRowsToWrite(loaded, edited)) written += write ? 'W' : '-';
        EXPECT_EQ(written, c.written) << c.held << " " << c.changed;
    }
}

// A control that still shows what it showed stands for the value loaded, which it may
// show only in part; one that holds something else for what it holds.
TEST(AgentChange, ControlsAsTheyShowedStandForTheLoadedValues) {
    AgentLoad loaded;
    loaded.shown[AgentTitle].text = L"first line\r\nsecond";
    loaded.shown[AgentMode].number = 5;
    loaded.shown[AgentPreprocessing].number = 7;
    AgentShown atLoad = loaded.shown;
    atLoad[AgentTitle].text = L"first line";
    atLoad[AgentMode].number = static_cast<DWORD>(CB_ERR);
    atLoad[AgentPreprocessing].number = 1;
    AgentShown now = atLoad;
    now[AgentDirectory].text = L"C:\\typed";
    AgentShown expected = loaded.shown;
    expected[AgentDirectory].text = L"C:\\typed";
    EXPECT_EQ(AgentEdited(loaded, atLoad, now), expected);
}

// ---------------------------------------------------------------------------
// The message number

TEST(MessageIdText, IsReadAsASignedDecimalNumber) {
    EXPECT_EQ(ParseMessageId(L"12abc"), 12u);
    EXPECT_EQ(ParseMessageId(L"abc"), 0u);
    EXPECT_EQ(ParseMessageId(L""), 0u);
    EXPECT_EQ(ParseMessageId(L"  -7"), 4294967289u);
    EXPECT_EQ(ParseMessageId(L"\t+42"), 42u);
    EXPECT_EQ(ParseMessageId(L"- 7"), 0u) << "the sign belongs to the digits";
    EXPECT_EQ(ParseMessageId(L"0x1F"), 0u) << "decimal only";
    EXPECT_EQ(ParseMessageId(L"2147483647"), 0x7FFFFFFFu);
    EXPECT_EQ(ParseMessageId(L"2147483648"), 0x7FFFFFFFu) << "clamped to the largest";
    EXPECT_EQ(ParseMessageId(L"4294967295"), 0x7FFFFFFFu);
    EXPECT_EQ(ParseMessageId(L"-2147483648"), 0x80000000u);
    EXPECT_EQ(ParseMessageId(L"-99999999999999999999999"), 0x80000000u) << "clamped to the smallest";
}

TEST_F(AgentPageTest, TypedMessageIdIsStoredAsItsNumber) {
    HWND page = Open(UserValues);
    ASSERT_NE(page, nullptr);
    struct Case {
        const wchar_t* text;
        DWORD stored;
    };
    for (Case c : {Case{L"12abc", 12}, Case{L"abc", 0}, Case{L"  -7", 4294967289u}}) {
        TypeOver(page, IDC_AGENT_MESSAGE_ID, c.text);
        EXPECT_TRUE(sheet().Apply());
        EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Message ID"), c.stored) << c.text;
    }
}

// The machine's, written as the user's own with the first edit.
TEST_F(AgentPageTest, LargestStoredMessageIdShowsAsMinusOneAndIsWrittenBackUnchanged) {
    AgentValues values = MachineValues;
    values.messageId = 4294967295u;
    SetAgentValues(HKEY_LOCAL_MACHINE, values);
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"-1");
    TypeOver(page, IDC_AGENT_DIRECTORY, L"C:\\elsewhere");
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Message ID"), 4294967295u);
}

TEST_F(AgentPageTest, ChoosingSendMessageAgainReplacesTypedText) {
    HWND page = Open(UserValues);
    ASSERT_NE(page, nullptr);
    TypeOver(page, IDC_AGENT_MESSAGE_ID, L"999");
    TypeOver(page, IDC_AGENT_TITLE, L"typed title");
    ChooseComboItem(page, IDC_AGENT_MODE, 1);
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"1234");
    EXPECT_EQ(ControlText(page, IDC_AGENT_TITLE), L"Agent Window");

    // Another mode disables the boxes and leaves their text.
    TypeOver(page, IDC_AGENT_MESSAGE_ID, L"555");
    ChooseComboItem(page, IDC_AGENT_MODE, 0);
    EXPECT_FALSE(IsControlEnabled(page, IDC_AGENT_MESSAGE_ID));
    EXPECT_FALSE(IsControlEnabled(page, IDC_AGENT_TITLE));
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"555");
}

// After an apply the page stands for what was applied, also when it had shown the
// machine's values: choosing "send message" again must not bring back an empty title
// or the machine's number, which the next apply would store.
TEST_F(AgentPageTest, ChoosingSendMessageAfterAnApplyShowsWhatWasApplied) {
    for (HKEY stored : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        SCOPED_TRACE(stored == HKEY_CURRENT_USER ? "user values" : "machine values");
        DeleteProgramKeys();
        AgentValues values = stored == HKEY_CURRENT_USER ? UserValues : MachineValues;
        values.transferMode = 1;
        values.title = L"Inbox";
        SetAgentValues(stored, values);
        HWND page = Open();
        ASSERT_NE(page, nullptr);
        TypeOver(page, IDC_AGENT_MESSAGE_ID, L"999");
        EXPECT_TRUE(sheet().Apply());
        ChooseComboItem(page, IDC_AGENT_MODE, 2);
        ChooseComboItem(page, IDC_AGENT_MODE, 1);
        EXPECT_EQ(ControlText(page, IDC_AGENT_TITLE), L"Inbox");
        EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"999");
        EXPECT_TRUE(sheet().Apply());
        values.messageId = 999;
        EXPECT_EQ(ReadAgentValues(HKEY_CURRENT_USER), values);
    }
}

// The stored target shown again is the one of the table in use: the machine's here.
TEST_F(AgentPageTest, ChoosingSendMessageShowsTheMachineTargetWhenTheMachineTableIsInUse) {
    SetAgentValues(HKEY_LOCAL_MACHINE, MachineValues);
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(Shown(page), MachineValues);
    TypeOver(page, IDC_AGENT_MESSAGE_ID, L"999");
    TypeOver(page, IDC_AGENT_TITLE, L"typed title");
    ChooseComboItem(page, IDC_AGENT_MODE, 1);
    EXPECT_EQ(ControlText(page, IDC_AGENT_MESSAGE_ID), L"77");
    EXPECT_EQ(ControlText(page, IDC_AGENT_TITLE), L"Machine Window");
}

// ---------------------------------------------------------------------------
// Changes and apply

TEST_F(AgentPageTest, EveryEditMarksThePageChanged) {
    SetAgentValues(HKEY_CURRENT_USER, UserValues);
    for (int box : {IDC_AGENT_APPLICATION, IDC_AGENT_DIRECTORY, IDC_AGENT_TITLE, IDC_AGENT_MESSAGE_ID,
                    IDC_AGENT_PREPROCESSOR}) {
        HWND page = Open();
        ASSERT_NE(page, nullptr);
        ASSERT_FALSE(sheet().ApplyEnabled());
        TypeOver(page, box, L"x");
        EXPECT_TRUE(sheet().ApplyEnabled()) << box;
    }
}

TEST_F(AgentPageTest, TwoClicksOnPreprocessingAreNoChange) {
    AgentValues values = UserValues;
    values.preprocessing = 0;
    HWND page = Open(values);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR));
    EXPECT_FALSE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR_BROWSE));
    Click(page, IDC_AGENT_PREPROCESSING);
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR));
    EXPECT_TRUE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR_BROWSE));
    Click(page, IDC_AGENT_PREPROCESSING);
    EXPECT_FALSE(IsControlEnabled(page, IDC_AGENT_PREPROCESSOR));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_AGENT_PREPROCESSING), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_TRUE(sheet().ApplyEnabled());
    DeleteProgramKeys();  // what an apply writes shows alone
    EXPECT_TRUE(sheet().Apply());
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"Preprocessing: Enabled").has_value());

    // One click is a change, and the page still takes the other six as the user's.
    Click(page, IDC_AGENT_PREPROCESSING);
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Preprocessing: Enabled"), 1u);
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, UserKeyPath, L"Client Application").has_value());
}

// The user key's values, raw, and the machine's.
std::vector<std::optional<StoredValue>> StoredAgentValues(HKEY root) {
    std::vector<std::optional<StoredValue>> values;
    for (const wchar_t* name : {L"Client Application", L"Transfer Mode", L"Target window title", L"Message ID",
                                L"Output Directory", L"Preprocessing: Enabled", L"Preprocessing: Application"})
        values.push_back(ReadStored(root, UserKeyPath, name));
    return values;
}

TEST_F(AgentPageTest, AnApplyWritesNothingWithoutEditsAndAllSevenAfterOne) {
    StoreUserValuesWithGaps();
    const auto userBefore = StoredAgentValues(HKEY_CURRENT_USER);
    const auto machineBefore = StoredAgentValues(HKEY_LOCAL_MACHINE);
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    Click(page, IDC_AGENT_PREPROCESSING);
    Click(page, IDC_AGENT_PREPROCESSING);
    TypeOver(page, IDC_AGENT_MESSAGE_ID, L"77 and text");  // the number shown
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(StoredAgentValues(HKEY_CURRENT_USER), userBefore) << "nothing was changed";

    // An edit writes the absent value as shown and keeps the unreadable one's bytes.
    TypeOver(page, IDC_AGENT_TITLE, L"Edited Window");
    EXPECT_TRUE(sheet().Apply());
    auto expected = userBefore;
    expected[2] = TextStored(L"Edited Window");
    expected[3] = DwordStored(MachineValues.messageId);
    EXPECT_EQ(StoredAgentValues(HKEY_CURRENT_USER), expected);
    EXPECT_EQ(StoredAgentValues(HKEY_LOCAL_MACHINE), machineBefore);
}

TEST_F(AgentPageTest, AFailedWriteIsToldAndThePageStaysChanged) {
    HWND page = Open(UserValues);
    ASSERT_NE(page, nullptr);
    TypeOver(page, IDC_AGENT_APPLICATION, L"C:\\new\\client.exe");
    DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
    MessageBoxWatcher watcher;
    EXPECT_FALSE(sheet().Apply());
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text,
              L"These settings could not be stored:\n\"Client Application\"\nError # 5: " + SystemText(5));
    EXPECT_TRUE(sheet().ApplyEnabled());

    RestoreAccess(HKEY_CURRENT_USER, UserKeyPath);
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ReadStoredText(HKEY_CURRENT_USER, UserKeyPath, L"Client Application"), std::wstring(L"C:\\new\\client.exe"));
    EXPECT_EQ(watcher.boxes().size(), 1u);
}

TEST_F(AgentPageTest, TextThatCannotBeTakenKeepsItsStoredValue) {
    HWND page = Open(UserValues);
    ASSERT_NE(page, nullptr);
    TypeOver(page, IDC_AGENT_APPLICATION, L"C:\\new\\client.exe");
    TypeOver(page, IDC_AGENT_MESSAGE_ID, L"4321");
    ChooseComboItem(page, IDC_AGENT_MODE, 2);

    SetAgentAllocator([](size_t) -> void* { return nullptr; });
    MessageBoxWatcher watcher;
    EXPECT_FALSE(sheet().Apply()) << "the texts were not stored";
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text.rfind(L"These settings could not be stored:\n\"Client Application\"\n", 0), 0u);
    AgentValues expected = UserValues;  // every text as stored before, no empty or cut one
    expected.transferMode = 2;
    expected.messageId = 4321;
    EXPECT_EQ(ReadAgentValues(HKEY_CURRENT_USER), expected);

    SetAgentAllocator(nullptr);
    EXPECT_TRUE(sheet().Apply());
    expected.application = L"C:\\new\\client.exe";
    EXPECT_EQ(ReadAgentValues(HKEY_CURRENT_USER), expected);
}

TEST_F(AgentPageTest, BecomingActiveRecordsTheIndex) {
    SetAgentValues(HKEY_CURRENT_USER, UserValues);
    Settings.LastViewedPage = 99;
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Settings.LastViewedPage, sheet().IndexOf(page));
}

// ---------------------------------------------------------------------------
// The choosing dialogs, driven as a user would

TEST(ChooserRequests, AskForProgramFilesAndTheOutputFolder) {
    wchar_t buffer[16];
    const HWND sheetWindow = reinterpret_cast<HWND>(0x1234);
    OPENFILENAMEW file = ProgramFileRequest(sheetWindow, buffer, 16);
    EXPECT_EQ(file.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(file.hwndOwner, sheetWindow);
    EXPECT_EQ(std::wstring(file.lpstrFilter, 24), std::wstring(L"PE files (*.exe)\0*.exe\0\0", 24));
    EXPECT_EQ(file.lpstrFile, buffer);
    EXPECT_EQ(file.nMaxFile, 16u);
    EXPECT_EQ(file.Flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER |
                                             OFN_LONGNAMES));
    EXPECT_EQ(file.lpstrTitle, nullptr);
    EXPECT_EQ(file.lpstrInitialDir, nullptr);

    BROWSEINFOW folder = OutputFolderRequest(sheetWindow);
    EXPECT_STREQ(folder.lpszTitle, L"output directory");
    EXPECT_EQ(folder.hwndOwner, sheetWindow);
    EXPECT_EQ(folder.pidlRoot, nullptr);
    EXPECT_EQ(folder.ulFlags, 0u);
    EXPECT_EQ(folder.lpfn, nullptr);
}

constexpr int FileTypeList = 1136;  // the file dialog's file type list (cmb1)
constexpr int ReadOnlyBox = 1040;   // chx1

// Suites named *LiveShellDialog* drive the system's dialogs (see tests/support/test_main.cpp).
class AgentChooserLiveShellDialogTest : public AgentPageTest {
protected:
    void SetUp() override {
        AgentPageTest::SetUp();
        SetAgentValues(HKEY_CURRENT_USER, UserValues);
        CreateDirectoryW(L"C:\\tmp\\Agent Client", nullptr);
        HANDLE file = CreateFileW(Program, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    void TearDown() override {
        DeleteFileW(Program);
        RemoveDirectoryW(L"C:\\tmp\\Agent Client");
        AgentPageTest::TearDown();
    }
    static constexpr wchar_t Program[] = L"C:\\tmp\\Agent Client\\client.exe";

    // Inside a chooser: whether the sheet owns it and is disabled; then the same button
    // is pressed again, which must not open a second chooser (one would be left open
    // until the driver's timeout cancels it).
    bool OwnedBySheetAndPressedAgain(HWND chooser, HWND page, int buttonId) {
        const bool owned = GetWindow(chooser, GW_OWNER) == sheet().window() && !IsWindowEnabled(sheet().window());
        PostClick(page, buttonId);
        return owned;
    }
};

TEST_F(AgentChooserLiveShellDialogTest, ProgramChosenInTheFileDialogFillsTheBox) {
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    bool ownedBySheet = false, onlyExe = false, noReadOnly = false;
    ModalDriver driver({[&](HWND dialog) {
        ownedBySheet = OwnedBySheetAndPressedAgain(dialog, page, IDC_AGENT_APPLICATION_BROWSE);
        onlyExe = SendDlgItemMessageW(dialog, FileTypeList, CB_GETCOUNT, 0, 0) == 1 &&
                  WindowTextOf(GetDlgItem(dialog, FileTypeList)) == L"PE files (*.exe)";
        HWND readOnly = GetDlgItem(dialog, ReadOnlyBox);
        noReadOnly = readOnly && !IsWindowVisible(readOnly);
        TypeFileName(dialog, Program);
        PostClick(dialog, IDOK);
    }});
    Click(page, IDC_AGENT_APPLICATION_BROWSE);
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.timedOut());
    ASSERT_EQ(driver.titles().size(), 1u);
    EXPECT_EQ(driver.titles()[0], L"Open") << "the system's own title";
    EXPECT_TRUE(ownedBySheet);
    EXPECT_TRUE(IsWindowEnabled(sheet().window()));
    EXPECT_TRUE(onlyExe);
    EXPECT_TRUE(noReadOnly);
    EXPECT_EQ(ControlText(page, IDC_AGENT_APPLICATION), Program);
    EXPECT_TRUE(sheet().ApplyEnabled());
    EXPECT_TRUE(sheet().Apply());
    EXPECT_EQ(ReadStoredText(HKEY_CURRENT_USER, UserKeyPath, L"Client Application"), std::wstring(Program));
}

TEST_F(AgentChooserLiveShellDialogTest, MissingFileIsRefusedAndCancelLeavesTheBoxAlone) {
    MessageBoxWatcher watcher;  // answers the dialog's own complaint
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    bool stayedOpen = false;
    ModalDriver driver({[&](HWND dialog) {
        TypeFileName(dialog, L"C:\\tmp\\Agent Client\\missing.exe");
        // Sent, so the complaint has come and gone when it returns.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stayedOpen = IsWindowVisible(dialog) != FALSE;
        PostClick(dialog, IDCANCEL);
    }});
    Click(page, IDC_AGENT_PREPROCESSOR_BROWSE);
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.timedOut());
    EXPECT_TRUE(stayedOpen) << "a missing file must not be accepted";
    EXPECT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(ControlText(page, IDC_AGENT_PREPROCESSOR), UserValues.preprocessor);
    EXPECT_FALSE(sheet().ApplyEnabled()) << "a cancelled choice is no change";
}

TEST_F(AgentChooserLiveShellDialogTest, FolderChosenInTheBrowserFillsTheBox) {
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    std::wstring title;
    bool ownedBySheet = false;
    ModalDriver driver({[&](HWND dialog) {
        ownedBySheet = OwnedBySheetAndPressedAgain(dialog, page, IDC_AGENT_DIRECTORY_BROWSE);
        HWND text = FindDescendant(dialog, L"Static", L"output directory");
        title = text ? WindowTextOf(text) : L"";
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L"C:\\tmp\\Agent Client"));
        PostClick(dialog, IDOK);
    }});
    Click(page, IDC_AGENT_DIRECTORY_BROWSE);
    EXPECT_TRUE(driver.done());
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(title, L"output directory");
    EXPECT_TRUE(ownedBySheet);
    EXPECT_TRUE(IsWindowEnabled(sheet().window()));
    EXPECT_EQ(ControlText(page, IDC_AGENT_DIRECTORY), L"C:\\tmp\\Agent Client");
    EXPECT_TRUE(sheet().ApplyEnabled());
}

TEST_F(AgentChooserLiveShellDialogTest, CancelledFolderBrowserLeavesTheBoxAlone) {
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    ModalDriver driver({[](HWND dialog) { PostClick(dialog, IDCANCEL); }});
    Click(page, IDC_AGENT_DIRECTORY_BROWSE);
    EXPECT_TRUE(driver.done());
    EXPECT_EQ(ControlText(page, IDC_AGENT_DIRECTORY), UserValues.directory);
    EXPECT_FALSE(sheet().ApplyEnabled());
}

}  // namespace
