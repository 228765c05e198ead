#include "tests/support/dialog_driver.h"

namespace {
ModalDialogDriver* ActiveDriver = nullptr;
}

ModalDialogDriver::ModalDialogDriver(std::wstring caption, std::function<void(HWND)> script)
    : caption_(std::move(caption)), script_(std::move(script)) {
    ActiveDriver = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

ModalDialogDriver::~ModalDialogDriver() {
    UnhookWindowsHookEx(hook_);
    ActiveDriver = nullptr;
}

LRESULT CALLBACK ModalDialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
    ModalDialogDriver* driver = ActiveDriver;
    if (driver && code == HCBT_ACTIVATE && !driver->dialog_) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t caption[256] = {};
        GetWindowTextW(window, caption, 256);
        if (driver->caption_ == caption) {
            driver->dialog_ = window;
            // The dialog is still being activated: act once its loop runs.
            SetTimer(nullptr, 0, 1, RunScript);
        }
    }
    return CallNextHookEx(driver ? driver->hook_ : nullptr, code, wParam, lParam);
}

void CALLBACK ModalDialogDriver::RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    ModalDialogDriver* driver = ActiveDriver;
    if (!driver || driver->ran_) return;
    driver->ran_ = true;
    driver->script_(driver->dialog_);
}

