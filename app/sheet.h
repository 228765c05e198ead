// The property sheet: which pages it holds, its callback, the last-viewed-page rule
// and the helpers every page uses to talk to the sheet.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "base/handles.h"
#include "base/page_helpers.h"

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

// Takes the "?" button off the sheet and centres it, in the sheet's dialog template.
void AdjustSheetTemplate(void* dialogTemplate);

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam);

// The sheet's header for `pages`, opening on `startPage`.
PROPSHEETHEADERW MakeSheetHeader(std::vector<HPROPSHEETPAGE>& pages, int startPage);

// Writes Settings.LastViewedPage to the user key; failures are silent.
void StoreLastViewedPage();

// True once the callback has been told of a button press in this run.
bool SheetReportedButtonPress();
void ResetButtonPressReport();

// The single-instance guard of properties.exe, released when its sheet has closed.
extern UniqueHandle PropertiesMutex;

// Creates the named mutex "Lumarel Printer_properties_mutex" that properties.exe and
// properties.dll hold while their sheet is open, so that one sheet at a time edits the
// settings in the session. False when the name exists already, or exists and may not be
// opened: another sheet is open, and `guard` is left empty. Any other failure to create
// it lets the caller go on without a guard.
bool TakeSheetGuard(UniqueHandle& guard);

// Everything the sheet shows, from the registry: the settings, then the PDF profiles.
// 1 when loaded, 0 when a key exists but could not be opened: the user is told which,
// and the profiles are not read after the settings failed.
int LoadSheetSettings();

// What ShowProperties returns.
enum ShowPropertiesResult : int {
    SheetClosed = 0,             // the sheet was shown and closed, by whatever button
    SettingsNotLoaded = 1,       // a registry key could not be opened (the user saw why); no sheet
    SheetAlreadyOpen = 2,        // a sheet of this module is open (this process on any thread, the
                                 // program or another host); no second one
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
