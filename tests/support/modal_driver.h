// Drives a modal window (a property sheet, a dialog, the system's file dialog, a message
// box) that the code under test opens on this thread. The call that opens it does not
// return until the window has ended, so the test hands over its steps beforehand: a
// thread timer fires inside the window's own message loop, finds the window and runs
// the next step on it, one step per tick, so that whatever a step started (a refused
// OK, a page change, a message box) has been handled before the next step runs.
//
// The window is found either by its caption or as any new dialog of the thread.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

class ModalDriver {
public:
    using Step = std::function<void(HWND window)>;

    // Each step acts on the topmost visible dialog (class #32770: sheets, dialogs and
    // message boxes, not tooltips) of this thread that did not exist when the driver
    // was made and, with a caption, is titled `caption`: with a caption the steps
    // follow that window while other windows come and go over it, without one they act
    // on whatever opened last (a message box over a dialog, then the dialog again).
    //
    // With no step left, a window that stays open for `timeoutMs` after the last step
    // ran (or after it opened) is cancelled, and the test fails instead of hanging.
    ModalDriver(std::wstring caption, std::vector<Step> steps, DWORD timeoutMs = DefaultTimeoutMs);
    explicit ModalDriver(std::vector<Step> steps, DWORD timeoutMs = DefaultTimeoutMs);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    static constexpr DWORD DefaultTimeoutMs = 10000;

    // How many distinct windows matched (a sheet opened twice counts twice).
    int windowsSeen() const { return static_cast<int>(seen_.size()); }
    // Steps run: fewer than given when the window ended early.
    size_t stepsRun() const { return stepsRun_; }
    bool done() const { return stepsRun_ == steps_.size(); }
    bool timedOut() const { return timedOut_; }
    // The titles of the windows the steps acted on, one per step run.
    const std::vector<std::wstring>& titles() const { return titles_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    void tick();
    bool matches(HWND window) const;

    std::wstring caption_;  // empty: any new dialog
    std::vector<Step> steps_;
    DWORD timeoutMs_;
    std::set<HWND> existing_;
    std::set<HWND> seen_;
    UINT_PTR timer_ = 0;
    ULONGLONG lastActivity_;  // the last step's end, or the last new window's appearance
    size_t stepsRun_ = 0;
    bool busy_ = false;
    bool timedOut_ = false;
    std::vector<std::wstring> titles_;
};
