// What a user does to the controls of a dialog, a page or a sheet, and what they see,
// done with the messages the controls would get or send, on the dialog's own thread.
// One set for every page and dialog test: a modeless sheet's pages, the modal sheets
// and dialogs driven by a ModalDriver (tests/support/modal_driver.h), and dialogs made
// with CreateDialog.
//
// Each action returns once the dialog has handled what it caused: messages it posted
// have been let through (PumpMessages), and a modal window it opened has been run and
// closed again. PostClick and PostCancel are the exceptions: they only queue.
//
// The same verbs, with the same meaning, drive the program in its own process
// (ProgramUnderTest, tests/support/process_driver.h): both send the messages of the
// "What the verbs send" section below.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Lets posted and sent messages through, as a modal loop would.
void PumpMessages();

// --- Sheets ---------------------------------------------------------------------------

// Makes the page of `sheet` made from dialog template `templateId` (an IDD_* of
// res/resource.h) current and returns it; null when the sheet has no such page. Pages
// are created when first shown, and only the page asked for is.
HWND ShowSheetPage(HWND sheet, int templateId);
// The sheet's OK, Cancel... (PSBTN_*), pressed now: when this returns, the pages have
// answered. A modal sheet that accepted ends once the driver's step has returned.
void PressSheetButton(HWND sheet, int button);
// The titles of the sheet's tabs, in order.
std::vector<std::wstring> TabTitles(HWND sheet);

// --- Acting on controls -------------------------------------------------------------
// Controls are named by their dialog and id, as the dialog's own code names them.

// A click on a button (or check box, radio button), as the user makes it (BM_CLICK).
void Click(HWND dialog, int controlId);
// The same click, queued for the dialog's own loop: returns at once. For a step that
// must be over before the dialog reacts, and for the system's dialogs, which end their
// loop on it.
void PostClick(HWND dialog, int controlId);
// The Cancel command that Esc gives, queued (WM_COMMAND, IDCANCEL): a sheet, a dialog
// and a message box all take it, with or without a Cancel button. For ending whatever a
// failed test left open.
void PostCancel(HWND dialog);

// Types `text` character by character into an edit (or the edit of a combo box), at the
// caret, as the keyboard would (WM_CHAR): limits, Return and EN_CHANGE work as for a
// user.
void TypeAtCaret(HWND dialog, int controlId, const std::wstring& text);
// Selects everything in the edit (or the combo box's edit) and types `text` over it; an
// empty text deletes the selection.
void TypeOver(HWND dialog, int controlId, const std::wstring& text);

// Picks item `index` of a combo box as a click in its list does (CBN_SELCHANGE, then
// CBN_SELENDOK). False when the box has no such item (nothing is sent then).
bool ChooseComboItem(HWND dialog, int comboId, int index);

// A mouse click (or double-click) on entry `index` of a list box; an index outside
// the list clicks below the last entry.
void ClickListEntry(HWND dialog, int listId, int index, bool doubleClick = false);

// --- What the verbs send ------------------------------------------------------------
// The messages behind the verbs above and ProgramUnderTest's, sent through `send`:
// SendMessage here, a send that a hung program cannot block for the program under test.
// A sender returns nothing when the message did not arrive; these return false then.
// Typing goes to `control` itself or to a combo box's edit.

using MessageSender = std::optional<LRESULT> (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool SendTypingAtCaret(HWND control, const std::wstring& text, MessageSender send);
bool SendTypingOver(HWND control, const std::wstring& text, MessageSender send);
bool SendComboChoice(HWND dialog, int comboId, int index, MessageSender send);

// --- Reading controls and windows ---------------------------------------------------

std::wstring ControlText(HWND dialog, int controlId);
std::wstring WindowTextOf(HWND window);
std::wstring ClassNameOf(HWND window);
// The entries of a list box, in order.
std::vector<std::wstring> ListEntries(HWND dialog, int listId);
// The items of a combo box's list, in order.
std::vector<std::wstring> ComboItems(HWND dialog, int comboId);
int ComboSelection(HWND dialog, int comboId);

bool IsControlEnabled(HWND dialog, int controlId);
bool IsControlVisible(HWND dialog, int controlId);
// Every child of the dialog disabled?
bool AllControlsDisabled(HWND dialog);

// The first descendant with this class (and text, when given), or null.
HWND FindDescendant(HWND parent, const wchar_t* className, const wchar_t* text = nullptr);
// "id class text" of every descendant, one per line, for failure messages.
std::wstring DescribeChildren(HWND parent);
// Puts `path` into the name box of the system's open or save dialog.
void TypeFileName(HWND fileDialog, const wchar_t* path);

// The directory of the running test program (where the programs and modules under test
// are built), with a trailing backslash.
std::wstring TestProgramDirectory();
