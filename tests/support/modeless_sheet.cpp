#include "tests/support/modeless_sheet.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
constexpr int ApplyButtonId = 0x3021;  // the sheet's Apply button
}

ModelessSheet::ModelessSheet(const SheetConditions& conditions, int startPage) {
    if (!MessageBoxWatcher::AnyActive()) unexpectedBoxes_ = std::make_unique<MessageBoxWatcher>();
    std::vector<HPROPSHEETPAGE> pages = CreatePages(PresentPages(conditions));
    PROPSHEETHEADERW header = MakeSheetHeader(pages, startPage);
    header.dwFlags |= PSH_MODELESS;
    sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
    PumpMessages();
}

ModelessSheet::~ModelessSheet() {
    if (sheet_) DestroyWindow(sheet_);
    PumpMessages();
    if (!unexpectedBoxes_) return;
    for (const ObservedBox& box : unexpectedBoxes_->boxes())
        ADD_FAILURE() << "unexpected message box: " << std::string(box.text.begin(), box.text.end());
}

HWND ModelessSheet::ShowPage(int templateId) { return ShowSheetPage(sheet_, templateId); }

int ModelessSheet::IndexOf(HWND page) const {
    return static_cast<int>(SendMessageW(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

HWND ModelessSheet::CurrentPage() const {
    return reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool ModelessSheet::Apply() {
    bool accepted = SendMessageW(sheet_, PSM_APPLY, 0, 0) != 0;
    PumpMessages();
    return accepted;
}

bool ModelessSheet::ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet_, ApplyButtonId)) != FALSE; }
