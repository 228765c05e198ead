#include "tests/support/dialog_input.h"

#include <commctrl.h>

namespace {

// The edit that takes the typing: the control itself or a combo box's edit.
HWND EditOf(HWND control) {
    HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
    return edit ? edit : control;
}

}  // namespace

HWND ShowSheetPageWith(HWND sheet, int controlId) {
    for (int index = 0;; ++index) {
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
        if (!page) {
            if (!SendMessageW(sheet, PSM_SETCURSEL, index, 0)) return nullptr;
            page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        }
        if (!page) return nullptr;
        if (GetDlgItem(page, controlId)) {
            SendMessageW(sheet, PSM_SETCURSEL, index, 0);
            return page;
        }
    }
}

void TypeText(HWND control, const std::wstring& text) {
    HWND edit = EditOf(control);
    for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

void ReplaceText(HWND control, const std::wstring& text) {
    HWND edit = EditOf(control);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    // Typing over a selection replaces it; an empty text is a Delete.
    if (text.empty()) SendMessageW(edit, WM_CLEAR, 0, 0);
    TypeText(edit, text);
}

void ChooseComboItem(HWND dialog, int comboId, int index) {
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
}

void ClickListEntry(HWND list, int index, bool doubleClick) {
    RECT item{};
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (index >= 0 && index < count) {
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    } else {
        // Below the last entry (the list is tall enough for a few).
        RECT client{};
        GetClientRect(list, &client);
        item = {client.left, client.bottom - 4, client.right, client.bottom - 2};
    }
    LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(list, WM_LBUTTONUP, 0, point);
    if (doubleClick) {
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
        SendMessageW(list, WM_LBUTTONUP, 0, point);
    }
}

std::wstring ControlText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    return text;
}

namespace {

std::vector<std::wstring> Items(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<std::wstring> items;
    LRESULT count = SendMessageW(control, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(control, textMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

}  // namespace

std::vector<std::wstring> ListEntries(HWND list) { return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }

std::vector<std::wstring> ComboItems(HWND combo) {
    return Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<std::wstring> ComboItems(HWND dialog, int comboId) { return ComboItems(GetDlgItem(dialog, comboId)); }

int ComboSelection(HWND dialog, int comboId) {
    return static_cast<int>(SendDlgItemMessageW(dialog, comboId, CB_GETCURSEL, 0, 0));
}

bool IsControlEnabled(HWND dialog, int controlId) { return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE; }

bool IsControlVisible(HWND dialog, int controlId) {
    return (GetWindowLongW(GetDlgItem(dialog, controlId), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool AllControlsDisabled(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowEnabled(child)) return false;
    return true;
}
