// Operates a modal dialog that the code under test opens on this thread, as a user
// would: the script runs once inside the dialog's own message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class ModalDialogDriver {
public:
    ModalDialogDriver(std::wstring caption, std::function<void(HWND)> script);
    ~ModalDialogDriver();
    ModalDialogDriver(const ModalDialogDriver&) = delete;
    ModalDialogDriver& operator=(const ModalDialogDriver&) = delete;

    bool ran() const { return ran_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD);
    std::wstring caption_;
    std::function<void(HWND)> script_;
    HHOOK hook_;
    HWND dialog_ = nullptr;
    bool ran_ = false;
};

