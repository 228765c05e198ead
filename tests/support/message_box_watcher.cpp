#include "tests/support/message_box_watcher.h"

namespace {
MessageBoxWatcher* ActiveWatcher = nullptr;
constexpr int MessageBoxTextId = 0xFFFF;

std::wstring WindowText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}
}  // namespace

std::wstring MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, MessageBoxTextId);
    return text ? WindowText(text) : std::wstring();
}

bool IsMessageBox(HWND window) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    return std::wstring(className) == L"#32770" && GetDlgItem(window, MessageBoxTextId) != nullptr;
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
            watcher->boxes_.push_back({WindowText(window), MessageBoxText(window)});
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(watcher->answer_, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(watcher ? watcher->hook_ : nullptr, code, wParam, lParam);
}
