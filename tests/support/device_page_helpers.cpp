#include "tests/support/device_page_helpers.h"

#include "tests/support/modeless_sheet.h"

std::wstring ControlText(HWND page, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(page, id, text, 256);
    return text;
}

std::vector<std::wstring> ComboItems(HWND page, int comboId) {
    std::vector<std::wstring> items;
    LRESULT count = SendDlgItemMessageW(page, comboId, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendDlgItemMessageW(page, comboId, CB_GETLBTEXTLEN, i, 0);
        std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        SendDlgItemMessageW(page, comboId, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length < 0 ? 0 : length));
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND page, int comboId) {
    return static_cast<int>(SendDlgItemMessageW(page, comboId, CB_GETCURSEL, 0, 0));
}

void ChooseComboEntry(HWND page, int comboId, int index) {
    HWND combo = GetDlgItem(page, comboId);
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
    PumpMessages();
}

bool IsControlEnabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

bool IsControlVisible(HWND page, int id) {
    return (GetWindowLongW(GetDlgItem(page, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool AllControlsDisabled(HWND page) {
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowEnabled(child)) return false;
    return true;
}
