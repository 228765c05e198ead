#include "tests/support/modal_sheet_script.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

ModalSheetScript* ActiveScript = nullptr;
constexpr UINT_PTR StepTimer = 0x5C01;
constexpr UINT_PTR GuardTimer = 0x5C02;
constexpr UINT StepIntervalMs = 10;
// A script must end its sheet; one that does not fails its test instead of hanging it.
constexpr UINT GuardIntervalMs = 10000;
// How long an activated window may take to get its caption before it counts as some
// other window (a message box, say) and is left alone.
constexpr ULONGLONG CaptionWaitMs = 2000;

std::wstring Caption(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

}  // namespace

ModalSheetScript::ModalSheetScript(std::wstring caption, std::vector<Step> steps)
    : caption_(std::move(caption)), steps_(std::move(steps)) {
    ActiveScript = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

ModalSheetScript::~ModalSheetScript() {
    UnhookWindowsHookEx(hook_);
    ActiveScript = nullptr;
}

LRESULT CALLBACK ModalSheetScript::Hook(int code, WPARAM wParam, LPARAM lParam) {
    ModalSheetScript* script = ActiveScript;
    if (script && code == HCBT_ACTIVATE) {
        // The sheet gets its caption only after it has been activated: look at it on
        // the first tick.
        HWND window = reinterpret_cast<HWND>(wParam);
        if (!script->candidates_.count(window)) {
            script->candidates_[window] = {GetTickCount64() + CaptionWaitMs, false};
            SetTimer(window, StepTimer, StepIntervalMs, OnTimer);
        }
    }
    return CallNextHookEx(script ? script->hook_ : nullptr, code, wParam, lParam);
}

void CALLBACK ModalSheetScript::OnTimer(HWND sheet, UINT, UINT_PTR id, DWORD) {
    ModalSheetScript* script = ActiveScript;
    KillTimer(sheet, id);
    if (!script) return;
    Candidate& candidate = script->candidates_[sheet];
    if (!candidate.recognised) {
        if (Caption(sheet) != script->caption_) {
            // Not titled yet, or another window (a message box): asked again for a while.
            if (GetTickCount64() < candidate.captionDeadline) SetTimer(sheet, StepTimer, StepIntervalMs, OnTimer);
            return;
        }
        candidate.recognised = true;
        ++script->sheetsSeen_;
        script->stepsRun_ = 0;
    }
    if (id == GuardTimer) {
        ADD_FAILURE() << "the script's steps have run but the window is still open: cancelled";
        // Cancel, as a sheet and a dialog both understand it.
        PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (script->stepsRun_ < script->steps_.size()) {
        // Count first: a step may end the sheet.
        size_t step = script->stepsRun_++;
        script->steps_[step](sheet);
    }
    if (!IsWindow(sheet)) return;
    if (script->stepsRun_ < script->steps_.size())
        SetTimer(sheet, StepTimer, StepIntervalMs, OnTimer);
    else
        SetTimer(sheet, GuardTimer, GuardIntervalMs, OnTimer);
}

void PressSheetButton(HWND sheet, int button) { SendMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }
