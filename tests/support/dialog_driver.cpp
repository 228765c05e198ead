#include "tests/support/dialog_driver.h"

#include <vector>

namespace {

ModalDialogDriver* ActiveDriver = nullptr;
constexpr UINT TickMs = 50;

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

struct Search {
    const wchar_t* className;
    const wchar_t* text;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (ClassNameOf(window) == search->className && (!search->text || WindowTextOf(window) == search->text)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK DescribeChild(HWND window, LPARAM lParam) {
    auto* out = reinterpret_cast<std::wstring*>(lParam);
    *out += std::to_wstring(GetDlgCtrlID(window)) + L" " + ClassNameOf(window) + L" \"" + WindowTextOf(window) +
            L"\"" + (IsWindowVisible(window) ? L"" : L" (hidden)") + L"\n";
    return TRUE;
}

}  // namespace

std::wstring WindowTextOf(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

HWND FindDescendant(HWND parent, const wchar_t* className, const wchar_t* text) {
    Search search{className, text, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PressDialogButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring DescribeChildren(HWND parent) {
    std::wstring out;
    EnumChildWindows(parent, DescribeChild, reinterpret_cast<LPARAM>(&out));
    return out;
}

ModalDialogDriver::ModalDialogDriver(std::vector<Action> steps, DWORD timeoutMs)
    : steps_(std::move(steps)), deadline_(GetTickCount64() + timeoutMs) {
    for (HWND window : ThreadWindows()) existing_.insert(window);
    ActiveDriver = this;
    timer_ = SetTimer(nullptr, 0, TickMs, Tick);
}

ModalDialogDriver::~ModalDialogDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    ActiveDriver = nullptr;
}

// Dialogs and message boxes only: tooltips and other popups come and go on their own.
static bool IsNewDialog(HWND window, const std::set<HWND>& existing) {
    return !existing.count(window) && IsWindowVisible(window) && ClassNameOf(window) == L"#32770";
}

HWND ModalDialogDriver::findNewWindow(bool skipPrevious) const {
    for (HWND window : ThreadWindows()) {  // topmost first
        if (!IsNewDialog(window, existing_)) continue;
        if (skipPrevious && window == previous_) continue;
        return window;
    }
    return nullptr;
}

void CALLBACK ModalDialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalDialogDriver* driver = ActiveDriver;
    if (!driver || driver->busy_) return;
    if (!driver->done()) {
        if (HWND window = driver->findNewWindow(true)) {
            // A step may pump messages itself: no second tick inside it.
            driver->busy_ = true;
            driver->previous_ = window;
            driver->titles_.push_back(WindowTextOf(window));
            driver->steps_[driver->next_++](window);
            driver->busy_ = false;
            return;
        }
    }
    if (GetTickCount64() > driver->deadline_) {
        for (HWND window : ThreadWindows()) {
            if (!IsNewDialog(window, driver->existing_)) continue;
            driver->timedOut_ = true;
            PressDialogButton(window, IDCANCEL);
        }
    }
}

std::wstring TestProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) break;
        path.resize(path.size() * 2);
    }
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}
