// Drives a modal property sheet that the code under test opens on this thread. The
// call that opens it does not return until the sheet has ended, so the test hands
// over its steps beforehand; they run inside the sheet's own message loop, one step
// per timer tick, so that whatever a step started (a refused OK, a page change) has
// been handled before the next step runs. A modal dialog is driven the same way.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

class ModalSheetScript {
public:
    using Step = std::function<void(HWND sheet)>;

    // Every sheet titled `caption` that opens while the script exists runs `steps`.
    ModalSheetScript(std::wstring caption, std::vector<Step> steps);
    ~ModalSheetScript();
    ModalSheetScript(const ModalSheetScript&) = delete;
    ModalSheetScript& operator=(const ModalSheetScript&) = delete;

    int sheetsSeen() const { return sheetsSeen_; }
    // Steps run on the last sheet: fewer than given when the sheet ended early.
    size_t stepsRun() const { return stepsRun_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnTimer(HWND sheet, UINT message, UINT_PTR id, DWORD time);

    // A window activated while the script exists: waiting for its caption (until the
    // tick count given), or recognised as the scripted sheet.
    struct Candidate {
        ULONGLONG captionDeadline;
        bool recognised;
    };

    HHOOK hook_;
    std::map<HWND, Candidate> candidates_;
    std::wstring caption_;
    std::vector<Step> steps_;
    int sheetsSeen_ = 0;
    size_t stepsRun_ = 0;
};

// The sheet's OK, Cancel... (PSBTN_*), pressed now: when this returns, the pages have
// answered. A sheet that accepted ends once the step has returned.
void PressSheetButton(HWND sheet, int button);
