// The program's sheet, built from the same page table, but modeless so that a test
// can drive its pages with the messages a user's clicks produce.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "app/sheet.h"
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
    // Makes the page that holds control `controlId` current and returns it (null if none).
    HWND ShowPageWith(int controlId);
    int IndexOf(HWND page) const;
    HWND CurrentPage() const;
    // The sheet's Apply: PSN_APPLY to every page created so far. True when accepted.
    bool Apply();
    bool ApplyEnabled() const;
    // A click on a button of a page, as the user makes it.
    static void Click(HWND page, int controlId);
    // Replaces the text of an edit box, as typing over it does (EN_CHANGE included).
    static void Type(HWND page, int controlId, const wchar_t* text);
    // Picks an entry of a drop-down list, as the user's choice does (CBN_SELENDOK).
    static void Choose(HWND page, int controlId, int index);
    static std::wstring Text(HWND page, int controlId);

private:
    std::unique_ptr<MessageBoxWatcher> unexpectedBoxes_;
    HWND sheet_ = nullptr;
};

// Lets posted and sent messages through, as a modal loop would.
void PumpMessages();
