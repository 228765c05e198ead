// The program's sheet, built from the same page table, but modeless so that a test
// can drive its pages with the messages a user's clicks produce (the helpers of
// tests/support/dialog_input.h, which this header brings along).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "app/sheet_internal.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"

class ModelessSheet {
public:
    // All pages that the conditions allow (by default all of them). A message box that
    // no watcher of the test expects is answered and fails the test, instead of
    // blocking it.
    explicit ModelessSheet(const SheetConditions& conditions = {0, 0, VER_PLATFORM_WIN32_NT, 0, 0, 0},
                           int startPage = 0);
    ~ModelessSheet();
    ModelessSheet(const ModelessSheet&) = delete;
    ModelessSheet& operator=(const ModelessSheet&) = delete;

    HWND window() const { return sheet_; }
    // Makes the page made from dialog template `templateId` (IDD_*) current and returns
    // it (null if the sheet has none).
    HWND ShowPage(int templateId);
    int IndexOf(HWND page) const;
    HWND CurrentPage() const;
    // The sheet's Apply: PSN_APPLY to every page created so far. True when accepted.
    bool Apply();
    bool ApplyEnabled() const;

private:
    std::unique_ptr<MessageBoxWatcher> unexpectedBoxes_;
    HWND sheet_ = nullptr;
};
