#include "tests/support/modal_driver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/dialog_input.h"
#include "tests/support/test_steps.h"

namespace {

// Drivers alive now, found by their timer (drivers may be alive at the same time).
std::vector<ModalDriver*> ActiveDrivers;
constexpr UINT TickMs = 10;

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

// The thread's top-level windows, topmost first.
std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

ModalDriver::ModalDriver(std::wstring caption, std::vector<Step> steps, DWORD timeoutMs)
    : caption_(std::move(caption)), steps_(std::move(steps)), timeoutMs_(timeoutMs), lastActivity_(GetTickCount64()) {
    for (HWND window : ThreadWindows()) existing_.insert(window);
    ActiveDrivers.push_back(this);
    timer_ = SetTimer(nullptr, 0, TickMs, Tick);
}

ModalDriver::ModalDriver(std::vector<Step> steps, DWORD timeoutMs)
    : ModalDriver(std::wstring(), std::move(steps), timeoutMs) {}

ModalDriver::~ModalDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    ActiveDrivers.erase(std::remove(ActiveDrivers.begin(), ActiveDrivers.end(), this), ActiveDrivers.end());
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    for (ModalDriver* driver : ActiveDrivers) {
        if (driver->timer_ == id) {
            driver->tick();
            return;
        }
    }
}

bool ModalDriver::matches(HWND window) const {
    // Dialogs and message boxes only: tooltips and other popups come and go on their own.
    return !existing_.count(window) && IsWindowVisible(window) && ClassNameOf(window) == L"#32770" &&
           (caption_.empty() || WindowTextOf(window) == caption_);
}

void ModalDriver::tick() {
    // A step may pump messages itself (or open a message box): no second tick inside it.
    if (busy_) return;
    HWND target = nullptr;
    for (HWND window : ThreadWindows()) {
        if (!matches(window)) continue;
        if (seen_.insert(window).second) lastActivity_ = GetTickCount64();
        if (!target) target = window;
    }
    if (!target) return;
    if (!done()) {
        busy_ = true;
        titles_.push_back(WindowTextOf(target));
        NoteTestStep(L"%zu of %zu on \"%ls\"", stepsRun_ + 1, steps_.size(), titles_.back().c_str());
        // Counted first: a step may end the window.
        steps_[stepsRun_++](target);
        busy_ = false;
        lastActivity_ = GetTickCount64();
        return;
    }
    if (GetTickCount64() - lastActivity_ < timeoutMs_) return;
    timedOut_ = true;
    const std::wstring title = WindowTextOf(target);
    ADD_FAILURE() << "\"" << std::string(title.begin(), title.end())
                  << "\" is still open with no step left to run: cancelled";
    // Cancel, as a sheet, a dialog and a message box all understand it.
    for (HWND window : ThreadWindows())
        if (matches(window)) PostCancel(window);
    lastActivity_ = GetTickCount64();
}
