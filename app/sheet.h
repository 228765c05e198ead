// The property sheet: which pages it holds, its callback, the last-viewed-page rule
// and the helpers every page uses to talk to the sheet.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <vector>

// One page of the sheet as it is created.
struct PageSlot {
    int templateId;
    DLGPROC proc;
    const wchar_t* title;  // null: the template's own caption
};

// What decides which pages are present.
struct SheetConditions {
    int noGeneral;
    int noPaper;
    DWORD platformId;  // VER_PLATFORM_WIN32_NT or older
    DWORD agentHidePage;
    DWORD emfHidePage;
    DWORD pdfHidePage;
};

enum class SheetPage { General, Paper, Agent, Emf, Pdf, About };

// The pages the conditions allow, in sheet order: General, Paper, Agent, EMF, PDF,
// About (always present).
std::vector<SheetPage> PresentPageKinds(const SheetConditions& conditions);

// The allowed pages, ready to create.
std::vector<PageSlot> PresentPages(const SheetConditions& conditions);

// The page the sheet opens on: the last viewed one when it is in range, else the first.
int StartPage(int lastViewedPage, int pageCount);

// Clears the `remove` bits and sets the `add` bits of the style in a sheet's dialog
// template (a DLGTEMPLATEEX when its second word is 0xFFFF, else a DLGTEMPLATE).
void ChangeTemplateStyle(void* dialogTemplate, DWORD remove, DWORD add);

// Takes the "?" button off the sheet and centres it, in the sheet's dialog template.
void AdjustSheetTemplate(void* dialogTemplate);

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam);

// Creates the page handles for `slots`; the sheet takes them over when it runs.
std::vector<HPROPSHEETPAGE> CreatePages(const std::vector<PageSlot>& slots);

// The sheet's header for `pages`, opening on `startPage`.
PROPSHEETHEADERW MakeSheetHeader(std::vector<HPROPSHEETPAGE>& pages, int startPage);

// Writes Settings.LastViewedPage to the user key; failures are silent.
void StoreLastViewedPage();

// True once the callback has been told of a button press in this run.
bool SheetReportedButtonPress();
void ResetButtonPressReport();

// For the pages: record this page as the one viewed last (on PSN_SETACTIVE).
void RecordLastViewedPage(HWND page);
// For the pages: remember the change and let the sheet enable Apply.
void MarkPageChanged(HWND page, bool& changedFlag);
// For a page that keeps no changed flag: only let the sheet enable Apply.
void MarkPageChanged(HWND page);
// For the pages: 1 when the check box is ticked, else 0, as the registry keeps it.
DWORD CheckBoxValue(HWND page, int controlId);
// For the pages: checks radio button `choice` of a group (an index into `buttons`) and
// clears the others; a choice outside the group checks none, and Tab still reaches it.
void CheckRadioChoice(HWND dialog, std::initializer_list<int> buttons, int choice);
// For the dialogs' radio buttons, which are not automatic and report their focus
// (BS_NOTIFY), called with every WM_COMMAND: the arrow keys move the focus within a
// group, and the button they reach is chosen as a click chooses it. Tab and the mouse
// choose nothing by the focus alone.
void ChooseRadioReachedByArrow(HWND dialog, WPARAM command);
// For the pages: accept PSN_APPLY and tell the sheet the page is clean again.
INT_PTR AcceptApply(HWND page);
// For the settings pages: PSN_SETACTIVE records the page as viewed last; PSN_APPLY
// runs `apply` and is accepted. Other notifications are left alone (FALSE).
INT_PTR OnSettingsPageNotify(HWND page, const NMHDR& notification, void (*apply)(HWND page));

// What ShowProperties returns.
enum ShowPropertiesResult : int {
    SheetClosed = 0,             // the sheet was shown and closed, by whatever button
    SettingsNotLoaded = 1,       // a registry key could not be opened (the user saw why); no sheet
    SheetAlreadyOpen = 2,        // a sheet of this process is open (any thread); no second one
    NotInProgramProcess = 3,     // properties.exe's export called by a process that loaded the
                                 // .exe as a library (hosts use properties.dll)
};

// Loads the settings and runs the modal sheet on the calling thread; everything it sets
// up (settings, profiles, bitmaps, icons, page state) starts again from the registry,
// the spooler and this module's resources on every call. One sheet per process at a time.
int RunPropertySheet(int noGeneral, int noPaper);

// The module's export: RunPropertySheet behind the checks that properties.exe and
// properties.dll each need (app/program_export.cpp, app/library_export.cpp).
extern "C" int WINAPI ShowProperties(int noGeneral, int noPaper);
