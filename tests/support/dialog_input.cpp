#include "tests/support/dialog_input.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

// The edit that takes the typing: the control itself or a combo box's edit.
HWND EditOf(HWND control) {
    HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
    return edit ? edit : control;
}

std::optional<LRESULT> SendHere(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(window, message, wParam, lParam);
}

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

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND ShowSheetPage(HWND sheet, int templateId) {
    // The sheet knows each page by the template it was created from (CreatePages passes
    // MAKEINTRESOURCE(templateId)), whether or not the page has been created yet.
    const LRESULT index = SendMessageW(sheet, PSM_IDTOINDEX, 0, templateId);
    if (index < 0) return nullptr;
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    PumpMessages();
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

void PressSheetButton(HWND sheet, int button) { SendMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }

std::vector<std::wstring> TabTitles(HWND sheet) {
    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    std::vector<std::wstring> titles;
    const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        titles.push_back(text);
    }
    return titles;
}

void Click(HWND dialog, int controlId) {
    SendMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
    PumpMessages();
}

void PostClick(HWND dialog, int controlId) { PostMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0); }

void PostCancel(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

void TypeAtCaret(HWND dialog, int controlId, const std::wstring& text) {
    SendTypingAtCaret(GetDlgItem(dialog, controlId), text, SendHere);
    PumpMessages();
}

void TypeOver(HWND dialog, int controlId, const std::wstring& text) {
    SendTypingOver(GetDlgItem(dialog, controlId), text, SendHere);
    PumpMessages();
}

bool ChooseComboItem(HWND dialog, int comboId, int index) {
    const bool chosen = SendComboChoice(dialog, comboId, index, SendHere);
    PumpMessages();
    return chosen;
}

bool SendTypingAtCaret(HWND control, const std::wstring& text, MessageSender send) {
    HWND edit = EditOf(control);
    for (wchar_t c : text)
        if (!send(edit, WM_CHAR, c, 1)) return false;
    return true;
}

bool SendTypingOver(HWND control, const std::wstring& text, MessageSender send) {
    HWND edit = EditOf(control);
    if (!send(edit, EM_SETSEL, 0, -1)) return false;
    // Typing over a selection replaces it; an empty text is a Delete.
    if (text.empty()) return send(edit, WM_CLEAR, 0, 0).has_value();
    return SendTypingAtCaret(edit, text, send);
}

bool SendComboChoice(HWND dialog, int comboId, int index, MessageSender send) {
    HWND combo = GetDlgItem(dialog, comboId);
    if (send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != std::optional<LRESULT>(index)) return false;
    // As the box tells its dialog of a click in its list.
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
        if (!send(dialog, WM_COMMAND, MAKEWPARAM(comboId, code), reinterpret_cast<LPARAM>(combo))) return false;
    return true;
}

void ClickListEntry(HWND dialog, int listId, int index, bool doubleClick) {
    HWND list = GetDlgItem(dialog, listId);
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
    PumpMessages();
}

std::wstring ControlText(HWND dialog, int controlId) { return WindowTextOf(GetDlgItem(dialog, controlId)); }

std::wstring WindowTextOf(HWND window) {
    // GetWindowText does not ask a window of another process (the process driver reads
    // the program's windows), so a hung program cannot block it; the buffer grows until
    // the text fits.
    std::wstring text(256, L'\0');
    for (;;) {
        const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
        if (length < 0 || static_cast<size_t>(length) + 1 < text.size()) {
            text.resize(static_cast<size_t>(length > 0 ? length : 0));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

std::vector<std::wstring> ListEntries(HWND dialog, int listId) {
    return Items(GetDlgItem(dialog, listId), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::wstring> ComboItems(HWND dialog, int comboId) {
    return Items(GetDlgItem(dialog, comboId), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

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

HWND FindDescendant(HWND parent, const wchar_t* className, const wchar_t* text) {
    Search search{className, text, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring DescribeChildren(HWND parent) {
    std::wstring out;
    EnumChildWindows(parent, DescribeChild, reinterpret_cast<LPARAM>(&out));
    return out;
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

void TypeFileName(HWND fileDialog, const wchar_t* path) {
    constexpr int FileNameBox = 1148;  // cmb13
    HWND name = GetDlgItem(fileDialog, FileNameBox);
    HWND edit = name ? FindDescendant(name, L"Edit") : nullptr;
    const std::wstring children = DescribeChildren(fileDialog);
    ASSERT_NE(edit, nullptr) << "no name box in\n" << std::string(children.begin(), children.end());
    SetWindowTextW(edit, path);
}
