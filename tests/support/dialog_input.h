// What a user does to the controls of a dialog, done with the messages the controls
// would get or send, on the dialog's own thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Makes the page of `sheet` that holds control `controlId` current and returns it
// (null if no page has it). Pages are created when first shown.
HWND ShowSheetPageWith(HWND sheet, int controlId);

// Types `text` character by character into an edit (or the edit of a combo box), at
// the caret, as the keyboard would; limits and Return work as for a user.
void TypeText(HWND control, const std::wstring& text);
// Selects everything in the edit (or the combo box's edit) and types `text` over it.
void ReplaceText(HWND control, const std::wstring& text);

// Picks item `index` of a combo box on `dialog` as a click in its list does.
void ChooseComboItem(HWND dialog, int comboId, int index);

// A mouse click (or double-click) on entry `index` of a list box; an index outside
// the list clicks below the last entry.
void ClickListEntry(HWND list, int index, bool doubleClick = false);

std::wstring ControlText(HWND dialog, int controlId);
// The entries of a list box, in order.
std::vector<std::wstring> ListEntries(HWND list);
// The items of a combo box's list, in order.
std::vector<std::wstring> ComboItems(HWND combo);
std::vector<std::wstring> ComboItems(HWND dialog, int comboId);
int ComboSelection(HWND dialog, int comboId);

bool IsControlEnabled(HWND dialog, int controlId);
bool IsControlVisible(HWND dialog, int controlId);
// Every child of the dialog disabled?
bool AllControlsDisabled(HWND dialog);
