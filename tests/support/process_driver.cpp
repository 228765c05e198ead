#include "tests/support/process_driver.h"

#include "tests/support/dialog_input.h"
#include "tests/support/test_steps.h"

#include <psapi.h>

#include <cwctype>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr DWORD PollIntervalMs = 10;
// A sent message that the program does not answer in time fails the call, not the run.
constexpr UINT SendTimeoutMs = 5000;

bool IsSheet(HWND window) {
    return ClassNameOf(window) == L"#32770" && FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr) != nullptr;
}

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendWithTimeout(window, message, wParam, lParam);
}

struct EnumRequest {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
    auto* request = reinterpret_cast<EnumRequest*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId) request->windows->push_back(window);
    return TRUE;
}

}  // namespace

std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window) return std::nullopt;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeoutMs, &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

std::wstring RemoteText(HWND window) {
    wchar_t text[2048] = {};
    // WM_GETTEXT is carried across processes with its buffer, unlike GetWindowText.
    if (!SendWithTimeout(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text))) return L"<no answer>";
    return text;
}

bool PostTypingAtCaret(HWND edit, const std::wstring& text) {
    for (wchar_t c : text)
        if (!PostMessageW(edit, WM_CHAR, c, 1)) return false;
    return true;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(PollIntervalMs);
    }
}

ProgramUnderTest::ProgramUnderTest(const std::wstring& commandTail, const std::wstring& programPath) {
    const std::wstring program = programPath.empty() ? TestProgramDirectory() + L"properties.exe" : programPath;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!commandTail.empty()) commandLine += L" " + commandTail;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        ADD_FAILURE() << "CreateProcessW failed with " << GetLastError();
        return;
    }
    UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
}

ProgramUnderTest::~ProgramUnderTest() {
    if (running()) {
        TerminateProcess(process_.get(), 255);
        WaitForSingleObject(process_.get(), ExitTimeoutMs);
    }
}

bool ProgramUnderTest::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ProgramUnderTest::waitForExit(DWORD timeoutMs) {
    if (!process_) return std::nullopt;
    NoteTestStep(L"waiting for the program to end");
    // Keep polling while waiting, so that a window shown on the way out is recorded too.
    bool ended = WaitUntil(
        [&] {
            poll();
            return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    if (!ended) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

std::vector<HWND> ProgramUnderTest::topLevelWindows() const {
    std::vector<HWND> windows;
    if (!processId_) return windows;
    EnumRequest request{processId_, &windows};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&request));
    return windows;
}

void ProgramUnderTest::poll() {
    for (HWND window : topLevelWindows()) {
        // Hidden windows are the system's own helpers; only what a user sees counts.
        if (!IsWindowVisible(window)) continue;
        windowSeen_ = true;
        if (IsMessageBox(window)) {
            if (std::find(boxHandles_.begin(), boxHandles_.end(), window) == boxHandles_.end()) {
                boxHandles_.push_back(window);
                boxes_.push_back({WindowTextOf(window), MessageBoxText(window)});
            }
        } else if (IsSheet(window)) {
            sheetSeen_ = true;
            // The first sheet is the program's; a sheet it opens later is not.
            if (!sheet_ || !IsWindow(sheet_)) sheet_ = window;
        }
    }
}

HWND ProgramUnderTest::waitForSheet(DWORD timeoutMs) {
    NoteTestStep(L"waiting for the program's sheet");
    if (process_) WaitForInputIdle(process_.get(), timeoutMs);
    WaitUntil(
        [&] {
            poll();
            return sheet_ && IsWindow(sheet_);
        },
        timeoutMs);
    return sheet_ && IsWindow(sheet_) ? sheet_ : nullptr;
}

HWND ProgramUnderTest::waitForMessageBox(DWORD timeoutMs) {
    NoteTestStep(L"waiting for a message box of the program");
    HWND found = nullptr;
    WaitUntil(
        [&] {
            poll();
            for (HWND box : boxHandles_) {
                if (!answered_.count(box) && IsWindow(box)) {
                    found = box;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool ProgramUnderTest::answerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (!button) return false;
    answered_.insert(box);
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

int ProgramUnderTest::pageCount() const {
    HWND tab = sheet_ ? FindWindowExW(sheet_, nullptr, WC_TABCONTROLW, nullptr) : nullptr;
    return static_cast<int>(Send(tab, TCM_GETITEMCOUNT, 0, 0).value_or(0));
}

bool ProgramUnderTest::CanReadProgramMemory() {
#ifdef _WIN64
    return true;
#else
    return GetEnvironmentVariableW(L"LUMAREL_X86_THROUGH_QEMU", nullptr, 0) == 0;
#endif
}

std::vector<std::wstring> ProgramUnderTest::tabTitles() const {
    std::vector<std::wstring> titles;
    HWND tab = sheet_ ? FindWindowExW(sheet_, nullptr, WC_TABCONTROLW, nullptr) : nullptr;
    const int count = pageCount();
    if (!tab || count <= 0) return titles;
    // TCM_GETITEMW takes a pointer: the item and its text buffer live in the program.
    struct TabItem {
        TCITEMW item;
        wchar_t text[64];
    };
    auto* remote = static_cast<TabItem*>(
        VirtualAllocEx(process_.get(), nullptr, sizeof(TabItem), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) return titles;
    for (int index = 0; index < count; ++index) {
        TabItem local{};
        local.item.mask = TCIF_TEXT;
        local.item.pszText = remote->text;
        local.item.cchTextMax = ARRAYSIZE(local.text);
        wchar_t text[64] = {};
        // The control may point pszText at its own copy of the text instead of filling the buffer.
        bool read = WriteProcessMemory(process_.get(), remote, &local, sizeof local, nullptr) &&
                    Send(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)).value_or(0) &&
                    ReadProcessMemory(process_.get(), remote, &local, sizeof local, nullptr) &&
                    ReadProcessMemory(process_.get(), local.item.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
        if (!read) {
            titles.clear();
            break;
        }
        titles.emplace_back(text);
    }
    VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
    return titles;
}

bool ProgramUnderTest::selectPage(int index) {
    return Send(sheet_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0).value_or(FALSE) != FALSE;
}

HWND ProgramUnderTest::currentPage() const {
    return reinterpret_cast<HWND>(Send(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0).value_or(0));
}

int ProgramUnderTest::indexOfPage(HWND page) const {
    if (!page) return -1;
    return static_cast<int>(Send(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0).value_or(-1));
}

int ProgramUnderTest::currentPageIndex() const { return indexOfPage(currentPage()); }

int ProgramUnderTest::showPage(int templateId) {
    // The sheet knows each page by its template, whether or not it has been created yet.
    const int index = static_cast<int>(Send(sheet_, PSM_IDTOINDEX, 0, templateId).value_or(-1));
    return index >= 0 && selectPage(index) ? index : -1;
}

bool ProgramUnderTest::pressButton(int button) {
    // Posted, not sent: the sheet's modal loop checks whether it has ended only when
    // GetMessage returns, which a sent message never makes it do. A press that opens
    // a message box would also keep a sent message waiting.
    return sheet_ && PostMessageW(sheet_, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0) != 0;
}

bool ProgramUnderTest::click(int controlId) {
    HWND control = GetDlgItem(currentPage(), controlId);
    return Send(control, BM_CLICK, 0, 0).has_value();
}

bool ProgramUnderTest::postClick(int controlId) {
    HWND control = GetDlgItem(currentPage(), controlId);
    return control && PostMessageW(control, BM_CLICK, 0, 0) != 0;
}

HWND ProgramUnderTest::waitForWindowTitled(const std::wstring& title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            poll();
            for (HWND window : topLevelWindows())
                if (IsWindowVisible(window) && WindowTextOf(window) == title) found = window;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND ProgramUnderTest::waitForNestedWindow(DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            poll();
            for (HWND window : topLevelWindows())
                if (IsWindowVisible(window) && window != sheet_ && !IsMessageBox(window)) found = window;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

std::optional<LRESULT> ProgramUnderTest::checkState(int controlId) const {
    return Send(GetDlgItem(currentPage(), controlId), BM_GETCHECK, 0, 0);
}

bool ProgramUnderTest::typeAtCaret(int controlId, const std::wstring& text) {
    return SendTypingAtCaret(GetDlgItem(currentPage(), controlId), text, SendWithTimeout);
}

bool ProgramUnderTest::typeOver(int controlId, const std::wstring& text) {
    return SendTypingOver(GetDlgItem(currentPage(), controlId), text, SendWithTimeout);
}

bool ProgramUnderTest::chooseComboItem(int controlId, int index) {
    return SendComboChoice(currentPage(), controlId, index, SendWithTimeout);
}

std::optional<std::wstring> ProgramUnderTest::controlText(int controlId) const {
    wchar_t text[2048] = {};
    auto copied = Send(GetDlgItem(currentPage(), controlId), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
    if (!copied) return std::nullopt;
    return std::wstring(text);
}

std::set<std::wstring> ProgramUnderTest::loadedModules() const {
    std::set<std::wstring> names;
    if (!process_) return names;
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    while (EnumProcessModules(process_.get(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                              &needed) &&
           needed > modules.size() * sizeof(HMODULE))
        modules.resize(needed / sizeof(HMODULE));
    modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
    for (HMODULE module : modules) {
        wchar_t name[MAX_PATH] = L"";
        if (!GetModuleBaseNameW(process_.get(), module, name, MAX_PATH)) continue;
        std::wstring lower(name);
        std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
        names.insert(lower);
    }
    return names;
}
