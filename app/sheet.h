// The sheet as properties.exe and properties.dll run it: the single-instance guard,
// ShowProperties, what it returns, and RunPropertySheet behind it. How the sheet is put
// together (its pages, callback and header) is in app/sheet_internal.h.
#pragma once

#include <windows.h>

#include "base/handles.h"

// The single-instance guard: the named mutex "Lumarel Printer_properties_mutex", held
// by properties.exe and properties.dll for as long as this object lives, so that one
// run at a time edits the settings in the session. Take it before showing the sheet
// (or doing anything else to the settings) and keep it until done.
class SheetGuard {
public:
    SheetGuard();
    SheetGuard(const SheetGuard&) = delete;
    SheetGuard& operator=(const SheetGuard&) = delete;

    // False when the name exists already, or exists and may not be opened: another
    // sheet is open, and nothing is held. Any other failure to create the mutex counts
    // as taken: the caller goes on without a guard.
    bool taken() const { return taken_; }

private:
    UniqueHandle mutex_;
    bool taken_ = false;
};

// What ShowProperties returns.
enum ShowPropertiesResult : int {
    SheetClosed = 0,             // the sheet was shown and closed, by whatever button
    SettingsNotLoaded = 1,       // a registry key could not be opened (the user saw why); no sheet
    SheetAlreadyOpen = 2,        // a sheet of this module is open (this process on any thread, the
                                 // program or another host); no second one
    NotInProgramProcess = 3,     // properties.exe's export called by a process that loaded the
                                 // .exe as a library (hosts use properties.dll)
};

// Loads the settings and runs the modal sheet on the calling thread, under a SheetGuard
// the caller holds, once the process is set up (InitProcessGlobals). Everything it sets
// up (settings, profiles, bitmaps, icons, page state, COM for screen readers) starts
// again from the registry, the spooler and this module's resources on every call and
// is released when the sheet has closed. One sheet per process at a time.
int RunPropertySheet(int noGeneral, int noPaper);

// The module's export: RunPropertySheet behind the checks that properties.exe and
// properties.dll each need (app/program_export.cpp, app/library_export.cpp).
extern "C" int WINAPI ShowProperties(int noGeneral, int noPaper);
