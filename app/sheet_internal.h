// How the sheet is put together, for app/sheet.cpp and the tests that build the same
// sheet modelessly: which pages it holds, its callback and header, the last-viewed-page
// rule and the settings load. The program and the library use app/sheet.h alone.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

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

// Everything the sheet shows, from the registry: the settings, then the PDF profiles.
// 1 when loaded, 0 when a key exists but could not be opened: the user is told which,
// and the profiles are not read after the settings failed.
int LoadSheetSettings();
