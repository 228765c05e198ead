// Runs properties.exe as a separate process and operates its windows from outside,
// as a user (or an automation tool) would: only messages that carry no pointers are
// sent across the process boundary, or ones whose pointer leads into memory placed in
// the program's own address space, as automation tools do.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/handles.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"

// How long a window may take to appear and a process to end before the test fails.
inline constexpr DWORD WindowTimeoutMs = 20000;
inline constexpr DWORD ExitTimeoutMs = 20000;

// Checks `condition` every few milliseconds until it holds or `timeoutMs` have passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// SendMessage to another process's window that cannot block the test on a hung
// program: nothing when the window does not answer in time.
std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A window's text, asked of the window itself (an edit's or combo box's contents too).
std::wstring RemoteText(HWND window);

// Types `text` into an edit of another process at the caret, one posted WM_CHAR per
// character: queued, so it has reached the edit only some time after this returns.
bool PostTypingAtCaret(HWND edit, const std::wstring& text);

class ProgramUnderTest {
public:
    // Starts properties.exe from the test program's directory (or the program at
    // `programPath`) with `commandTail`.
    explicit ProgramUnderTest(const std::wstring& commandTail = L"", const std::wstring& programPath = L"");
    // A process still running is terminated, so that no run outlives its test.
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return processId_; }
    bool running() const;
    // The exit code, or nothing when the process has not ended within `timeoutMs`.
    std::optional<DWORD> waitForExit(DWORD timeoutMs = ExitTimeoutMs);

    // Looks at the process's top-level windows once and records what it sees. Every
    // wait below polls through here, so the history covers the whole run.
    void poll();
    bool sheetEverSeen() const { return sheetSeen_; }
    bool visibleWindowEverSeen() const { return windowSeen_; }
    // Distinct message boxes, in the order they were first seen.
    const std::vector<ObservedBox>& boxesSeen() const { return boxes_; }

    // File names of the DLLs the process has loaded, in lower case.
    std::set<std::wstring> loadedModules() const;

    // The property sheet: a visible #32770 that holds a SysTabControl32. Null on timeout.
    HWND waitForSheet(DWORD timeoutMs = WindowTimeoutMs);
    HWND sheet() const { return sheet_; }
    // A visible message box not answered yet. Null on timeout.
    HWND waitForMessageBox(DWORD timeoutMs = WindowTimeoutMs);
    // Presses a button of the box; the box counts as answered.
    bool answerMessageBox(HWND box, int buttonId = IDOK);

    // The sheet's pages. A page's window exists only once the page has been shown.
    int pageCount() const;
    // The tabs' titles, in order; empty when they cannot be read.
    std::vector<std::wstring> tabTitles() const;
    // Whether the program's memory can be read, as tabTitles needs: not where 32-bit
    // Wine runs through qemu, whose guest addresses are not the host's.
    static bool CanReadProgramMemory();
    bool selectPage(int index);
    HWND currentPage() const;
    int currentPageIndex() const;  // -1 when unknown
    int indexOfPage(HWND page) const;
    // Selects the page made from dialog template `templateId` (IDD_*). Returns its
    // index, or -1 when the sheet has no such page.
    int showPage(int templateId);
    // PSBTN_OK, PSBTN_CANCEL, PSBTN_APPLYNOW...: queued, so the press has taken effect
    // only some time after this returns (wait for its result).
    bool pressButton(int button);

    // A visible top-level window of the process with this exact title (a nested sheet,
    // say). Null on timeout.
    HWND waitForWindowTitled(const std::wstring& title, DWORD timeoutMs = WindowTimeoutMs);
    // A visible top-level window of the process other than its sheet and its message
    // boxes (a nested sheet or dialog, whatever its title's language). Null on timeout.
    HWND waitForNestedWindow(DWORD timeoutMs = WindowTimeoutMs);

    // Controls of the current page: the verbs of tests/support/dialog_input.h, with
    // the same names and meanings. False when a message did not arrive.
    // A click as the user makes it (BM_CLICK).
    bool click(int controlId);
    // The same click, queued (for one that opens a modal window): returns at once.
    bool postClick(int controlId);
    std::optional<LRESULT> checkState(int controlId) const;
    // Types `text` at the caret, or over the whole text (an empty text deletes it), of
    // an edit box or a combo box's edit, one WM_CHAR per character.
    bool typeAtCaret(int controlId, const std::wstring& text);
    bool typeOver(int controlId, const std::wstring& text);
    // Picks item `index` of a combo box as a click in its list does (CBN_SELCHANGE,
    // then CBN_SELENDOK).
    bool chooseComboItem(int controlId, int index);
    // The text of a control (WM_GETTEXT, which the system carries across processes).
    std::optional<std::wstring> controlText(int controlId) const;

private:
    std::vector<HWND> topLevelWindows() const;

    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND sheet_ = nullptr;
    bool sheetSeen_ = false;
    bool windowSeen_ = false;
    std::vector<HWND> boxHandles_;  // parallel to boxes_
    std::set<HWND> answered_;
    std::vector<ObservedBox> boxes_;
};
