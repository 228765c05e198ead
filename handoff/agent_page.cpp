// The Agent page: the client application that printed output is handed to, the output
// directory, the transfer mode with its target window and message number, and a
// preprocessing application. The seven values are read and written as record tables:
// the user's own, or, while the user has not all of them, the machine's.
#include "handoff/agent_page.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>

#include "base/accessibility.h"
#include "base/late_binding.h"
#include "base/messages.h"
#include "base/page_helpers.h"
#include "base/registry.h"
#include "base/texts.h"
#include "handoff/handoff_pages.h"
#include "res/resource.h"
#include "settings/machine_values.h"
#include "settings/regtools.h"
#include "settings/settings.h"

namespace {

// Rows of both tables, in the order they are read and written.
enum AgentRow {
    ClientApplication,
    TransferMode,
    TargetWindowTitle,
    MessageId,
    OutputDirectory,
    PreprocessingEnabled,
    PreprocessingApplication,
    AgentRowCount
};

// The rows are the Agent values of the machine list, which reads them in this order.
constexpr const MachineValue* AgentRows = MachineValues + FirstAgentValue;
static_assert(AgentRowCount == AgentValueCount, "one row per Agent value");
constexpr bool RowsInListOrder() {
    const wchar_t* const names[AgentRowCount] = {
        ValueName::ClientApplication, ValueName::TransferMode,         ValueName::TargetWindowTitle,
        ValueName::MessageId,         ValueName::OutputDirectory,      ValueName::PreprocessingEnabled,
        ValueName::PreprocessingApplication};
    for (int row = 0; row < AgentRowCount; ++row)
        if (AgentRows[row].name != names[row]) return false;
    return true;
}
static_assert(RowsInListOrder(), "the AgentRow enumeration follows the machine list");

using AgentTable = RegRecord[AgentRowCount + 1];  // and the terminator

// The entries of the transfer mode list ("command prompt", "send message", "none");
// the stored mode is the entry's index.
constexpr int TransferModeCount = 3;
constexpr int SendMessageMode = 1;

constexpr size_t SubkeyCapacity = 1024;
constexpr DWORD TextCapacity = 2048;

wchar_t AgentSubkey[SubkeyCapacity];
AgentTable AgentUserTable;
AgentTable AgentMachineTable;
bool AgentFromUserKey = true;  // false: the page shows the machine table
int AgentTransferMode = 0;
// The message number's text, the choosing dialogs' result, and 1102 at apply, in turn.
wchar_t AgentTextBuffer[TextCapacity];
bool AgentPageChanged = false;

void* DefaultAllocate(size_t bytes) { return std::malloc(bytes); }
AgentAllocator Allocate = DefaultAllocate;

// Back to the start state: no strings, every number 0.
void ResetTable(AgentTable& table, HKEY root) {
    reg_free_records(table);
    for (int row = 0; row < AgentRowCount; ++row)
        table[row] = {root, AgentSubkey, AgentRows[row].name, AgentRows[row].type, 0, nullptr};
    table[AgentRowCount] = {};
}

RegRecord* TableInUse() { return AgentFromUserKey ? AgentUserTable : AgentMachineTable; }

const wchar_t* TextOf(const RegRecord& row) { return row.string_value ? row.string_value : L""; }

wchar_t* NewEmptyString() {
    auto* text = static_cast<wchar_t*>(Allocate(sizeof(wchar_t)));
    if (text) *text = L'\0';
    return text;
}

// The user's values if all seven can be read, else the machine's.
void ReadAgentTables() {
    wcsncpy(AgentSubkey, FormatWithKeyName(UserKeyFormat).c_str(), SubkeyCapacity - 1);
    AgentSubkey[SubkeyCapacity - 1] = L'\0';
    ResetTable(AgentUserTable, HKEY_CURRENT_USER);
    ResetTable(AgentMachineTable, HKEY_LOCAL_MACHINE);
    AgentFromUserKey = true;
    if (reg_read_records(AgentUserTable) == 0) return;

    // A user table read in part is not mixed with machine values.
    reg_free_records(AgentUserTable);
    AgentFromUserKey = false;
    if (reg_read_records(AgentMachineTable) == 0) return;

    const DWORD code = GetLastError();  // what the last row left
    reg_free_records(AgentMachineTable);
    // Values that are simply not there are normal, also on the machine: no box for them.
    if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND)
        ShowFailure({IDS_MACHINE_AGENT_READ_FAILED, code}, nullptr);
    for (AgentRow row : {ClientApplication, TargetWindowTitle, OutputDirectory})
        AgentMachineTable[row].string_value = NewEmptyString();
}

void ShowMessageTarget(HWND page, const RegRecord* table) {
    _snwprintf(AgentTextBuffer, TextCapacity, L"%d", static_cast<int>(table[MessageId].dword_value));
    AgentTextBuffer[TextCapacity - 1] = L'\0';
    SetDlgItemTextW(page, IDC_AGENT_MESSAGE_ID, AgentTextBuffer);
    SetDlgItemTextW(page, IDC_AGENT_TITLE, TextOf(table[TargetWindowTitle]));
}

// The target window and message number belong to the "send message" mode alone.
void EnableMessageTarget(HWND page, bool enable) {
    EnableWindow(GetDlgItem(page, IDC_AGENT_MESSAGE_ID), enable);
    EnableWindow(GetDlgItem(page, IDC_AGENT_TITLE), enable);
}

bool PreprocessingChecked(HWND page) { return IsDlgButtonChecked(page, IDC_AGENT_PREPROCESSING) == BST_CHECKED; }

void EnablePreprocessor(HWND page) {
    const bool enable = PreprocessingChecked(page);
    EnableWindow(GetDlgItem(page, IDC_AGENT_PREPROCESSOR), enable);
    EnableWindow(GetDlgItem(page, IDC_AGENT_PREPROCESSOR_BROWSE), enable);
}

// True while the page fills its own boxes: the EN_CHANGE that brings is no user's edit.
bool FillingAgentPage = false;

void InitAgentPage(HWND page) {
    FillingAgentPage = true;
    ReadAgentTables();
    const RegRecord* table = TableInUse();

    SetDlgItemTextW(page, IDC_AGENT_APPLICATION, TextOf(table[ClientApplication]));
    SetDlgItemTextW(page, IDC_AGENT_DIRECTORY, TextOf(table[OutputDirectory]));

    HWND modes = GetDlgItem(page, IDC_AGENT_MODE);
    AddTextItems(modes, IDS_TRANSFER_MODES, TransferModeCount);
    AgentTransferMode = static_cast<int>(table[TransferMode].dword_value);
    // A mode the list does not know leaves it without a selection (and is kept).
    const bool known = AgentTransferMode >= 0 && AgentTransferMode < TransferModeCount;
    SendMessageW(modes, CB_SETCURSEL, known ? static_cast<WPARAM>(AgentTransferMode) : static_cast<WPARAM>(-1), 0);

    ShowMessageTarget(page, table);
    EnableMessageTarget(page, AgentTransferMode == SendMessageMode);

    CheckDlgButton(page, IDC_AGENT_PREPROCESSING, table[PreprocessingEnabled].dword_value ? BST_CHECKED : BST_UNCHECKED);
    EnablePreprocessor(page);
    SetDlgItemTextW(page, IDC_AGENT_PREPROCESSOR, TextOf(table[PreprocessingApplication]));
    FillingAgentPage = false;
    // For screen readers: the "..." buttons say what they choose; the preprocessor's box
    // follows a check box, which the system does not take for its label.
    SetAccessibleNames(page, {{IDC_AGENT_APPLICATION_BROWSE, IDS_BROWSE_APPLICATION, ROLE_SYSTEM_PUSHBUTTON},
                              {IDC_AGENT_DIRECTORY_BROWSE, IDS_BROWSE_DIRECTORY, ROLE_SYSTEM_PUSHBUTTON},
                              {IDC_AGENT_PREPROCESSOR_BROWSE, IDS_BROWSE_PREPROCESSOR, ROLE_SYSTEM_PUSHBUTTON},
                              {IDC_AGENT_PREPROCESSOR, IDS_PREPROCESSOR_NAME, 0}});
}

void OnTransferModeChosen(HWND page) {
    AgentTransferMode = static_cast<int>(SendDlgItemMessageW(page, IDC_AGENT_MODE, CB_GETCURSEL, 0, 0));
    const bool sendMessage = AgentTransferMode == SendMessageMode;
    // Choosing "send message" shows the stored target again, over whatever was typed.
    if (sendMessage) ShowMessageTarget(page, TableInUse());
    EnableMessageTarget(page, sendMessage);
    MarkPageChanged(page, AgentPageChanged);
}

void OnPreprocessingClicked(HWND page) {
    EnablePreprocessor(page);
    AgentUserTable[PreprocessingEnabled].dword_value = PreprocessingChecked(page) ? 1 : 0;
    MarkPageChanged(page, AgentPageChanged);
}

// True while a chooser is open: both fill the one result buffer, and a press that still
// reaches the page (a message sent to it) must not open a second one over it.
bool ChooserOpen = false;

// Runs `choose` with the sheet as its owner, unless a chooser is open already; then
// shows the choice in the box. The sheet is disabled while the chooser runs, so the
// page is still there when it returns; the check costs nothing.
template <typename Choose>
void RunChooser(HWND page, int boxId, Choose choose) {
    if (ChooserOpen) return;
    ChooserOpen = true;
    const bool chosen = choose(GetParent(page));
    ChooserOpen = false;
    if (!chosen || !IsWindow(page)) return;
    SetDlgItemTextW(page, boxId, AgentTextBuffer);
    MarkPageChanged(page, AgentPageChanged);
}

void OnChooseProgram(HWND page, int boxId) {
    RunChooser(page, boxId, [](HWND sheet) { return ChooseProgramFile(sheet, AgentTextBuffer, TextCapacity); });
}

void OnChooseFolder(HWND page) {
    RunChooser(page, IDC_AGENT_DIRECTORY, [](HWND sheet) { return ChooseOutputFolder(sheet, AgentTextBuffer); });
}

void OnAgentCommand(HWND page, WORD code, WORD id) {
    if (code == EN_CHANGE) {
        if (!FillingAgentPage) MarkPageChanged(page, AgentPageChanged);
    } else if (code == CBN_SELENDOK && id == IDC_AGENT_MODE) {
        OnTransferModeChosen(page);
    } else if (code == BN_CLICKED) {
        switch (id) {
            case IDC_AGENT_APPLICATION_BROWSE: OnChooseProgram(page, IDC_AGENT_APPLICATION); break;
            case IDC_AGENT_DIRECTORY_BROWSE: OnChooseFolder(page); break;
            case IDC_AGENT_PREPROCESSING: OnPreprocessingClicked(page); break;
            case IDC_AGENT_PREPROCESSOR_BROWSE: OnChooseProgram(page, IDC_AGENT_PREPROCESSOR); break;
        }
    }
}

// Gives the row a string of its own with the box's whole text. False when no memory
// could be had; the row then keeps the string it had, which is not written either.
bool TakeBoxText(HWND page, int boxId, RegRecord& row) {
    HWND box = GetDlgItem(page, boxId);
    const int length = GetWindowTextLengthW(box);
    auto* text = static_cast<wchar_t*>(Allocate((static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
    if (!text) return false;
    text[0] = L'\0';
    GetWindowTextW(box, text, length + 1);
    text[length] = L'\0';
    std::free(row.string_value);
    row.string_value = text;
    return true;
}

// Every apply writes all seven values under the user key, changed or not.
bool ApplyAgentPage(HWND page) {
    bool taken[AgentRowCount] = {};
    RegRecord* user = AgentUserTable;
    taken[ClientApplication] = TakeBoxText(page, IDC_AGENT_APPLICATION, user[ClientApplication]);
    taken[PreprocessingApplication] = TakeBoxText(page, IDC_AGENT_PREPROCESSOR, user[PreprocessingApplication]);
    taken[OutputDirectory] = TakeBoxText(page, IDC_AGENT_DIRECTORY, user[OutputDirectory]);
    user[TransferMode].dword_value = static_cast<DWORD>(AgentTransferMode);
    taken[TransferMode] = true;
    taken[TargetWindowTitle] = TakeBoxText(page, IDC_AGENT_TITLE, user[TargetWindowTitle]);
    wmemset(AgentTextBuffer, L'\0', TextCapacity);
    GetDlgItemTextW(page, IDC_AGENT_MESSAGE_ID, AgentTextBuffer, TextCapacity);
    user[MessageId].dword_value = ParseMessageId(AgentTextBuffer);
    taken[MessageId] = true;
    user[PreprocessingEnabled].dword_value = PreprocessingChecked(page) ? 1 : 0;
    taken[PreprocessingEnabled] = true;

    // A text that could not be taken is not written: the stored value is better than
    // an empty or cut one.
    AgentTable written = {};
    int count = 0;
    for (int row = 0; row < AgentRowCount; ++row)
        if (taken[row]) written[count++] = user[row];
    // Failures reach the error log only.
    reg_create_records(written);

    // From now on the page stands for what was just applied: choosing "send message"
    // again shows the applied target, not an empty or a machine one.
    AgentFromUserKey = true;
    reg_free_records(AgentMachineTable);
    return true;
}

// The item list of a chosen folder, given back to the shell's allocator.
struct ShellItemListFree {
    void operator()(ITEMIDLIST* list) const {
        static const auto getMalloc = BindEntryPoint<decltype(&SHGetMalloc)>(L"shell32.dll", "SHGetMalloc");
        IMalloc* shellMalloc = nullptr;
        if (getMalloc && SUCCEEDED(getMalloc(&shellMalloc)) && shellMalloc) {
            shellMalloc->Free(list);
            shellMalloc->Release();
        }
    }
};

#ifndef _WIN64
// The full structure, with the three fields that came with Windows 2000.
static_assert(sizeof(OPENFILENAMEW) == 88, "OPENFILENAMEW in its full form");
#endif

// The texts the choosers' requests point to, loaded when a request is made.
std::wstring ProgramFileFilter;
std::wstring OutputFolderTitle;

}  // namespace

DWORD ParseMessageId(const wchar_t* text) {
    long long value = text ? std::wcstoll(text, nullptr, 10) : 0;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<DWORD>(static_cast<int>(value));
}

OPENFILENAMEW ProgramFileRequest(HWND owner, wchar_t* buffer, DWORD capacity) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    // The string table cannot hold the filter's zeros: "|" stands for them there. The
    // string's own terminator ends the list.
    ProgramFileFilter = LoadText(IDS_PROGRAM_FILE_FILTER);
    std::replace(ProgramFileFilter.begin(), ProgramFileFilter.end(), L'|', L'\0');
    request.lpstrFilter = ProgramFileFilter.c_str();
    request.lpstrFile = buffer;
    request.nMaxFile = capacity;
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    return request;
}

BROWSEINFOW OutputFolderRequest(HWND owner) {
    BROWSEINFOW request{};
    request.hwndOwner = owner;
    OutputFolderTitle = LoadText(IDS_OUTPUT_FOLDER_TITLE);
    request.lpszTitle = OutputFolderTitle.c_str();
    return request;
}

bool ChooseProgramFile(HWND owner, wchar_t* buffer, DWORD capacity) {
    if (!buffer || capacity == 0) return false;
    wmemset(buffer, L'\0', capacity);  // the dialog opens with an empty name
    OPENFILENAMEW request = ProgramFileRequest(owner, buffer, capacity);
    static const auto getOpenFileName =
        BindEntryPoint<decltype(&GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    return getOpenFileName && getOpenFileName(&request) != FALSE;
}

bool ChooseOutputFolder(HWND owner, wchar_t* buffer) {
    static const auto browseForFolder =
        BindEntryPoint<decltype(&SHBrowseForFolderW)>(L"shell32.dll", "SHBrowseForFolderW");
    static const auto pathFromList =
        BindEntryPoint<decltype(&SHGetPathFromIDListW)>(L"shell32.dll", "SHGetPathFromIDListW");
    if (!browseForFolder || !pathFromList) return false;
    ComApartment com;  // before the item list, which is freed while COM is still up
    BROWSEINFOW request = OutputFolderRequest(owner);
    std::unique_ptr<ITEMIDLIST, ShellItemListFree> folder(browseForFolder(&request));
    if (!folder) return false;
    return pathFromList(folder.get(), buffer) != FALSE;
}

AgentAllocator SetAgentAllocator(AgentAllocator allocate) {
    AgentAllocator previous = Allocate;
    Allocate = allocate ? allocate : DefaultAllocate;
    return previous;
}

INT_PTR CALLBACK AgentPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitAgentPage(page);
            return TRUE;
        case WM_COMMAND:
            OnAgentCommand(page, HIWORD(wParam), LOWORD(wParam));
            return FALSE;
        case WM_NOTIFY:
            return OnPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), Settings.LastViewedPage, AgentPageChanged,
                                ApplyAgentPage);
        case WM_DESTROY:
            // The tables' strings live as long as the page.
            reg_free_records(AgentUserTable);
            reg_free_records(AgentMachineTable);
            return FALSE;
    }
    return FALSE;
}
