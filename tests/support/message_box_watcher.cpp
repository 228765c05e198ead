#include "tests/support/message_box_watcher.h"

#include "tests/support/dialog_input.h"

namespace {
MessageBoxWatcher* ActiveWatcher = nullptr;
constexpr int MessageBoxTextId = 0xFFFF;
}  // namespace

std::wstring MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, MessageBoxTextId);
    return text ? WindowTextOf(text) : std::wstring();
}

bool IsMessageBox(HWND window) {
    return ClassNameOf(window) == L"#32770" && GetDlgItem(window, MessageBoxTextId) != nullptr;
}

bool MessageBoxWatcher::AnyActive() { return ActiveWatcher != nullptr; }

MessageBoxWatcher::MessageBoxWatcher() : previous_(ActiveWatcher) {
    ActiveWatcher = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher() {
    UnhookWindowsHookEx(hook_);
    ActiveWatcher = previous_;
}

LRESULT CALLBACK MessageBoxWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
    MessageBoxWatcher* watcher = ActiveWatcher;
    if (watcher && code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window) && GetPropW(window, L"MessageBoxWatcher.Seen") == nullptr) {
            SetPropW(window, L"MessageBoxWatcher.Seen", reinterpret_cast<HANDLE>(1));
            watcher->boxes_.push_back({WindowTextOf(window), MessageBoxText(window)});
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(watcher->answer_, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(watcher ? watcher->hook_ : nullptr, code, wParam, lParam);
}
