// Operates a modal dialog that the code under test opens on this thread, as a user
// would: a thread timer fires inside the dialog's own message loop, finds the new
// window among the thread's windows and runs the test's next step on it.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

class ModalDialogDriver {
public:
    using Action = std::function<void(HWND dialog)>;
    // Each step acts on the topmost visible dialog (or message box) of this thread that
    // did not exist when the driver was made and is not the one the step before acted on
    // (a message box over a dialog, then the dialog again). A dialog still open after
    // `timeoutMs` is cancelled.
    explicit ModalDialogDriver(std::vector<Action> steps, DWORD timeoutMs = 15000);
    ~ModalDialogDriver();
    ModalDialogDriver(const ModalDialogDriver&) = delete;
    ModalDialogDriver& operator=(const ModalDialogDriver&) = delete;

    bool done() const { return next_ == steps_.size(); }
    bool timedOut() const { return timedOut_; }
    // The titles of the windows the steps acted on, in turn.
    const std::vector<std::wstring>& titles() const { return titles_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    HWND findNewWindow(bool skipPrevious) const;

    std::vector<Action> steps_;
    size_t next_ = 0;
    std::set<HWND> existing_;
    HWND previous_ = nullptr;
    UINT_PTR timer_ = 0;
    ULONGLONG deadline_;
    bool busy_ = false;
    bool timedOut_ = false;
    std::vector<std::wstring> titles_;
};

// Small helpers for actions.
std::wstring WindowTextOf(HWND window);
std::wstring ClassNameOf(HWND window);
// The first descendant with this class (and text, when given), or null.
HWND FindDescendant(HWND parent, const wchar_t* className, const wchar_t* text = nullptr);
// Presses a dialog button the way a click does: posted, so the dialog's loop handles it.
void PressDialogButton(HWND dialog, int id);
// "id class text" of every descendant, one per line, for failure messages.
std::wstring DescribeChildren(HWND parent);
// The directory of the running test program (where the programs and modules under test
// are built), with a trailing backslash.
std::wstring TestProgramDirectory();
