// What every property sheet and its pages do the same way: create the pages, tell the
// sheet a page changed, answer its notifications, read and set buttons. Knows no page
// and no setting.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <vector>

// Building a sheet.

// One page of the sheet as it is created.
struct PageSlot {
    int templateId;
    DLGPROC proc;
    UINT titleId;  // the tab's title, a string of the string table; 0: the template's caption
};

// Creates the page handles for `slots`; the sheet takes them over when it runs.
std::vector<HPROPSHEETPAGE> CreatePages(const std::vector<PageSlot>& slots);

// Clears the `remove` bits and sets the `add` bits of the style in a sheet's dialog
// template (a DLGTEMPLATEEX when its second word is 0xFFFF, else a DLGTEMPLATE).
void ChangeTemplateStyle(void* dialogTemplate, DWORD remove, DWORD add);

// A page's part.

// The page's index in its sheet, as the sheet keeps the page viewed last (on PSN_SETACTIVE).
void RecordLastViewedPage(HWND page, int& lastViewedPage);
// Remember the change and let the sheet enable Apply.
void MarkPageChanged(HWND page, bool& changedFlag);
// Accept PSN_APPLY and tell the sheet the page is clean again.
INT_PTR AcceptApply(HWND page);

// Sent with PSM_QUERYSIBLINGS by the page that imported settings: every other page that
// shows one of the imported values shows it now (where it is kept is the settings layer's).
inline constexpr WPARAM SiblingsShowImported = 0x4950;  // "IP"

// A page's write function: stores the page's values once, tells the user what it could
// not store, and returns false then.
using PageWrite = bool (*)(HWND page);

// The one way a page answers the sheet: PSN_SETACTIVE records the page as viewed last in
// `lastViewedPage`; PSN_APPLY writes the page's values once if `changedFlag` is set. When
// everything was stored the flag is cleared and the apply accepted; otherwise the flag
// stays, the sheet shows this page and stays open (PSNRET_INVALID), so that the user can
// apply again or cancel. Other notifications are left alone (FALSE).
INT_PTR OnPageNotify(HWND page, const NMHDR& notification, int& lastViewedPage, bool& changedFlag, PageWrite write);

// Adds `count` items to a drop-down list: the strings `firstId`, `firstId` + 1, ... of
// the string table, in that order.
void AddTextItems(HWND list, UINT firstId, int count);

// 1 when the check box is ticked, else 0, as the registry keeps it.
DWORD CheckBoxValue(HWND page, int controlId);
// Numbers, paths and file names read left to right in their boxes, also on a page
// mirrored for a language written right to left: the boxes shed the layout they inherit
// from the page (a mirrored box shows "210.00" as "00.210").
void ReadLeftToRight(HWND dialog, std::initializer_list<int> boxes);

// Checks radio button `choice` of a group (an index into `buttons`) and clears the
// others; a choice outside the group checks none, and Tab still reaches it.
void CheckRadioChoice(HWND dialog, std::initializer_list<int> buttons, int choice);
// For the dialogs' radio buttons, which are not automatic and report their focus
// (BS_NOTIFY), called with every WM_COMMAND: the arrow keys move the focus within a
// group, and the button they reach is chosen as a click chooses it. Tab and the mouse
// choose nothing by the focus alone.
void ChooseRadioReachedByArrow(HWND dialog, WPARAM command);

// EnumChildWindows callback: disables the child and goes on.
BOOL CALLBACK DisableChildWindow(HWND child, LPARAM);
