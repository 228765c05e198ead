// The Agent page: the client application that printed output is handed to, the output
// directory, the transfer mode with its target window and message number, and a
// preprocessing application. What it shows and writes is settings/agent_values.h's; the
// page compares its controls with what they showed.
#include "handoff/agent_page.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <new>
#include <string>

#include "base/accessible_names.h"
#include "base/late_binding.h"
#include "base/messages.h"
#include "base/page_helpers.h"
#include "base/texts.h"
#include "handoff/handoff_pages.h"
#include "res/resource.h"
#include "settings/agent_values.h"
#include "settings/settings.h"

namespace {

// The entries of the transfer mode list ("command prompt", "send message", "none");
// the stored mode is the entry's index.
constexpr int TransferModeCount = 3;
constexpr DWORD SendMessageMode = 1;

constexpr DWORD TextCapacity = 2048;

// The edit box of each text row.
constexpr int TextBoxes[AgentRowCount] = {IDC_AGENT_APPLICATION, 0, IDC_AGENT_TITLE, 0, IDC_AGENT_DIRECTORY, 0,
                                          IDC_AGENT_PREPROCESSOR};

// What the page stands for (loaded, or stored by the last apply) and what its controls
// held then.
AgentLoad AgentLoaded;
AgentShown AgentControlsAtLoad;
// The message number's text and the choosing dialogs' result, in turn.
wchar_t AgentTextBuffer[TextCapacity];
bool AgentPageChanged = false;

void* DefaultAllocate(size_t bytes) { return std::malloc(bytes); }
AgentAllocator Allocate = DefaultAllocate;

struct FreeBlock {
    void operator()(wchar_t* block) const { std::free(block); }
};

// The box's whole text, through the page's allocator. False when no memory could be had.
bool TakeBoxText(HWND page, int boxId, std::wstring& text) {
    HWND box = GetDlgItem(page, boxId);
    const int length = GetWindowTextLengthW(box);
    std::unique_ptr<wchar_t, FreeBlock> block(
        static_cast<wchar_t*>(Allocate((static_cast<size_t>(length) + 1) * sizeof(wchar_t))));
    if (!block) return false;
    const int copied = GetWindowTextW(box, block.get(), length + 1);
    text.assign(block.get(), static_cast<size_t>(std::max(copied, 0)));
    return true;
}

// What the controls hold, in the rows' terms: the mode is the list's selection (CB_ERR
// when none), the number what the box's text reads as. A text that cannot be taken
// stays as `values` had it and is added to `untaken`.
void ReadControls(HWND page, AgentShown& values, NotStored& untaken) {
    for (size_t row = 0; row < AgentRowCount; ++row)
        if (TextBoxes[row] && !TakeBoxText(page, TextBoxes[row], values[row].text))
            untaken.Add(AgentValueName(row), ERROR_NOT_ENOUGH_MEMORY);
    values[AgentMode].number = static_cast<DWORD>(SendDlgItemMessageW(page, IDC_AGENT_MODE, CB_GETCURSEL, 0, 0));
    GetDlgItemTextW(page, IDC_AGENT_MESSAGE_ID, AgentTextBuffer, TextCapacity);
    values[AgentMessageId].number = ParseMessageId(AgentTextBuffer);
    values[AgentPreprocessing].number = CheckBoxValue(page, IDC_AGENT_PREPROCESSING);
}

void ShowMessageTarget(HWND page) {
    _snwprintf(AgentTextBuffer, TextCapacity, L"%d", static_cast<int>(AgentLoaded.shown[AgentMessageId].number));
    AgentTextBuffer[TextCapacity - 1] = L'\0';
    SetDlgItemTextW(page, IDC_AGENT_MESSAGE_ID, AgentTextBuffer);
    SetDlgItemTextW(page, IDC_AGENT_TITLE, AgentLoaded.shown[AgentTitle].text.c_str());
}

// The target window and message number belong to the "send message" mode alone.
void EnableMessageTarget(HWND page, bool enable) {
    EnableWindow(GetDlgItem(page, IDC_AGENT_MESSAGE_ID), enable);
    EnableWindow(GetDlgItem(page, IDC_AGENT_TITLE), enable);
}

void EnablePreprocessor(HWND page) {
    const bool enable = CheckBoxValue(page, IDC_AGENT_PREPROCESSING) != 0;
    EnableWindow(GetDlgItem(page, IDC_AGENT_PREPROCESSOR), enable);
    EnableWindow(GetDlgItem(page, IDC_AGENT_PREPROCESSOR_BROWSE), enable);
}

// True while the page fills its own boxes: the EN_CHANGE that brings is no user's edit.
bool FillingAgentPage = false;

// Shows `rows` of what the page stands for in their controls, and takes what the
// controls then hold as what they showed.
void ShowAgentRows(HWND page, const AgentRows& rows) {
    const AgentShown& shown = AgentLoaded.shown;
    FillingAgentPage = true;
    if (rows[AgentApplication]) SetDlgItemTextW(page, IDC_AGENT_APPLICATION, shown[AgentApplication].text.c_str());
    if (rows[AgentDirectory]) SetDlgItemTextW(page, IDC_AGENT_DIRECTORY, shown[AgentDirectory].text.c_str());

    HWND modes = GetDlgItem(page, IDC_AGENT_MODE);
    const DWORD mode = shown[AgentMode].number;
    // A mode the list does not know leaves it without a selection (and is kept).
    if (rows[AgentMode])
        SendMessageW(modes, CB_SETCURSEL,
                     mode < TransferModeCount ? static_cast<WPARAM>(mode) : static_cast<WPARAM>(-1), 0);
    if (rows[AgentMessageId] || rows[AgentTitle]) ShowMessageTarget(page);
    EnableMessageTarget(page, SendMessageW(modes, CB_GETCURSEL, 0, 0) == static_cast<LRESULT>(SendMessageMode));

    if (rows[AgentPreprocessing])
        CheckDlgButton(page, IDC_AGENT_PREPROCESSING, shown[AgentPreprocessing].number ? BST_CHECKED : BST_UNCHECKED);
    EnablePreprocessor(page);
    if (rows[AgentPreprocessor]) SetDlgItemTextW(page, IDC_AGENT_PREPROCESSOR, shown[AgentPreprocessor].text.c_str());
    FillingAgentPage = false;

    AgentShown controls = shown;
    NotStored untaken;  // a text not taken now only makes its box count as changed
    ReadControls(page, controls, untaken);
    for (size_t row = 0; row < AgentRowCount; ++row)
        if (rows[row]) AgentControlsAtLoad[row] = controls[row];
}

void InitAgentPage(HWND page) {
    // Each sheet starts clean: a change an earlier sheet of this process left is not its own.
    AgentPageChanged = false;
    ReadLeftToRight(page, {IDC_AGENT_APPLICATION, IDC_AGENT_DIRECTORY, IDC_AGENT_MESSAGE_ID, IDC_AGENT_PREPROCESSOR});
    AgentLoaded = LoadAgentValues();
    ShowFailure(AgentLoaded.machineFailure, nullptr);
    OverlayImported(AgentLoaded, Settings.Imported);
    AddTextItems(GetDlgItem(page, IDC_AGENT_MODE), IDS_TRANSFER_MODES, TransferModeCount);
    AgentRows all;
    all.fill(true);
    ShowAgentRows(page, all);

    // For screen readers: the "..." buttons say what they choose; the preprocessor's box
    // follows a check box, which the system does not take for its label.
    SetAccessibleNames(page, {{IDC_AGENT_APPLICATION_BROWSE, IDS_BROWSE_APPLICATION, ROLE_SYSTEM_PUSHBUTTON},
                              {IDC_AGENT_DIRECTORY_BROWSE, IDS_BROWSE_DIRECTORY, ROLE_SYSTEM_PUSHBUTTON},
                              {IDC_AGENT_PREPROCESSOR_BROWSE, IDS_BROWSE_PREPROCESSOR, ROLE_SYSTEM_PUSHBUTTON},
                              {IDC_AGENT_PREPROCESSOR, IDS_PREPROCESSOR_NAME, 0}});
}

void OnTransferModeChosen(HWND page) {
    const bool sendMessage =
        SendDlgItemMessageW(page, IDC_AGENT_MODE, CB_GETCURSEL, 0, 0) == static_cast<LRESULT>(SendMessageMode);
    // Choosing "send message" shows the stored target again, over whatever was typed.
    if (sendMessage) ShowMessageTarget(page);
    EnableMessageTarget(page, sendMessage);
    MarkPageChanged(page, AgentPageChanged);
}

void OnPreprocessingClicked(HWND page) {
    EnablePreprocessor(page);
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

// Writes what the user changed (settings/agent_values.h). A text that cannot be taken
// counts as unchanged, keeps its stored value and is told as not stored.
bool ApplyAgentPage(HWND page) {
    try {
        NotStored notStored;
        AgentShown now = AgentControlsAtLoad;
        ReadControls(page, now, notStored);
        const AgentShown edited = AgentEdited(AgentLoaded, AgentControlsAtLoad, now);
        const AgentRows written = AgentRowsToWrite(AgentLoaded, edited);
        if (SaveAgentChange(AgentLoaded, edited, notStored)) {
            // The user's own values stand over what an import brought for them.
            for (size_t row = 0; row < AgentRowCount; ++row)
                if (written[row]) Settings.Imported.Forget(AgentValueName(row));
            // From now on the page stands for what was stored: choosing "send message"
            // again shows the applied target.
            AgentLoaded = AgentLoadAfterSave(AgentLoaded, edited);
            AgentControlsAtLoad = now;
        }
        return ShowNotStored(notStored, nullptr);
    } catch (const std::bad_alloc&) {
        // Without memory no box can be composed: the page stays changed and the sheet open.
        return false;
    }
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
    long long value = text ? _wcstoi64(text, nullptr, 10) : 0;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<DWORD>(static_cast<int>(value));
}

OPENFILENAMEW ProgramFileRequest(HWND owner, wchar_t* buffer, DWORD capacity) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    // The string's own terminator ends the list.
    ProgramFileFilter = LoadFileFilter(IDS_PROGRAM_FILE_FILTER);
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
    try {
        switch (message) {
            case WM_INITDIALOG:
                InitAgentPage(page);
                return TRUE;
            case WM_COMMAND:
                OnAgentCommand(page, HIWORD(wParam), LOWORD(wParam));
                return FALSE;
            case WM_NOTIFY:
                return OnPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), Settings.LastViewedPage,
                                    AgentPageChanged, ApplyAgentPage);
            case PSM_QUERYSIBLINGS:
                if (wParam == SiblingsShowImported) ShowAgentRows(page, OverlayImported(AgentLoaded, Settings.Imported));
                return FALSE;
        }
    } catch (const std::bad_alloc&) {
        // A page that could not be filled offers nothing to edit, so nothing to apply.
        if (message == WM_INITDIALOG) EnumChildWindows(page, DisableChildWindow, 0);
    }
    return FALSE;
}
