// Process-wide values set up at start and shared by the pages for the whole run.
#pragma once

#include <windows.h>

#include "base/handles.h"

extern HINSTANCE AppInstance;          // every resource is loaded from here
extern wchar_t SheetCaption[MAX_PATH]; // "Lumarel Printer properties": caption of every box
extern UniqueBitmap PortraitBitmap;    // bitmap 117, shown by the General page
extern UniqueBitmap LandscapeBitmap;   // bitmap 118
extern BOOL CanAdministerPrinter;      // may the printer's forms be changed

// Fills AppInstance and SheetCaption (the part of start-up that the sheet needs).
void InitProcessGlobals(HINSTANCE instance);
