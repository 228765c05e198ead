// The sheet as properties.exe and properties.dll run it: ShowProperties, what it
// returns, the single-instance guard and RunPropertySheet behind them. How the sheet is
// put together (its pages, callback and header) is in app/sheet_internal.h.
#pragma once

#include <windows.h>

#include "base/handles.h"

// The single-instance guard of properties.exe, released when its sheet has closed.
extern UniqueHandle PropertiesMutex;

// Creates the named mutex "Lumarel Printer_properties_mutex" that properties.exe and
// properties.dll hold while their sheet is open, so that one sheet at a time edits the
// settings in the session. False when the name exists already, or exists and may not be
// opened: another sheet is open, and `guard` is left empty. Any other failure to create
// it lets the caller go on without a guard.
bool TakeSheetGuard(UniqueHandle& guard);

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
