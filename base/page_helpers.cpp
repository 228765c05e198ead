#include "base/page_helpers.h"

#include <cstring>

#include "base/globals.h"
#include "base/texts.h"

std::vector<HPROPSHEETPAGE> CreatePages(const std::vector<PageSlot>& slots) {
    std::vector<HPROPSHEETPAGE> pages;
    for (const PageSlot& slot : slots) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.hInstance = AppInstance;
        page.pszTemplate = MAKEINTRESOURCEW(slot.templateId);
        page.pfnDlgProc = slot.proc;
        if (slot.titleId) {
            // Loaded by the common controls from hInstance's string table.
            page.dwFlags = PSP_USETITLE;
            page.pszTitle = MAKEINTRESOURCEW(slot.titleId);
        }
        pages.push_back(CreatePropertySheetPageW(&page));
    }
    return pages;
}

void ChangeTemplateStyle(void* dialogTemplate, DWORD remove, DWORD add) {
    auto* bytes = static_cast<unsigned char*>(dialogTemplate);
    WORD signature;
    std::memcpy(&signature, bytes + 2, sizeof signature);
    unsigned char* styleField = bytes + (signature == 0xFFFF ? 12 : 0);
    DWORD style;
    std::memcpy(&style, styleField, sizeof style);
    style = (style & ~remove) | add;
    std::memcpy(styleField, &style, sizeof style);
}


void RecordLastViewedPage(HWND page, int& lastViewedPage) {
    lastViewedPage =
        static_cast<int>(SendMessageW(GetParent(page), PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

void MarkPageChanged(HWND page, bool& changedFlag) {
    changedFlag = true;
    SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

INT_PTR AcceptApply(HWND page) {
    SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    SendMessageW(GetParent(page), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
    return TRUE;
}

INT_PTR OnPageNotify(HWND page, const NMHDR& notification, int& lastViewedPage, bool& changedFlag, PageWrite write) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            RecordLastViewedPage(page, lastViewedPage);
            return FALSE;
        case PSN_APPLY:
            if (changedFlag && !write(page)) {
                // The sheet sends no later page PSN_APPLY and stays open: what was not
                // stored is still the page's to store.
                SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_INVALID);
                return TRUE;
            }
            changedFlag = false;
            return AcceptApply(page);
    }
    return FALSE;
}

void AddTextItems(HWND list, UINT firstId, int count) {
    for (int item = 0; item < count; ++item) {
        const std::wstring text = LoadText(firstId + static_cast<UINT>(item));
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

DWORD CheckBoxValue(HWND page, int controlId) { return IsDlgButtonChecked(page, controlId) == BST_CHECKED ? 1 : 0; }

void CheckRadioChoice(HWND dialog, std::initializer_list<int> buttons, int choice) {
    int index = 0;
    for (int button : buttons) CheckDlgButton(dialog, button, index++ == choice ? BST_CHECKED : BST_UNCHECKED);
    // A radio button takes the group's tab stop when checked and loses it when cleared:
    // with none checked, the first one gets it back.
    if (choice < 0 || choice >= static_cast<int>(buttons.size())) {
        HWND first = GetDlgItem(dialog, *buttons.begin());
        SetWindowLongW(first, GWL_STYLE, GetWindowLongW(first, GWL_STYLE) | WS_TABSTOP);
    }
}

void ReadLeftToRight(HWND dialog, std::initializer_list<int> boxes) {
    for (int id : boxes) {
        HWND box = GetDlgItem(dialog, id);
        const LONG_PTR style = GetWindowLongPtrW(box, GWL_EXSTYLE);
        if (!(style & WS_EX_LAYOUTRTL)) continue;
        SetWindowLongPtrW(box, GWL_EXSTYLE, style & ~static_cast<LONG_PTR>(WS_EX_LAYOUTRTL));
        InvalidateRect(box, nullptr, TRUE);
    }
}

void ChooseRadioReachedByArrow(HWND dialog, WPARAM command) {
    if (HIWORD(command) != BN_SETFOCUS) return;
    bool arrow = false;
    for (int key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) arrow = arrow || (GetKeyState(key) & 0x8000);
    HWND button = GetDlgItem(dialog, LOWORD(command));
    if (!arrow || (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) != BS_RADIOBUTTON ||
        SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
        return;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(command), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

BOOL CALLBACK DisableChildWindow(HWND child, LPARAM) {
    EnableWindow(child, FALSE);
    return TRUE;
}
