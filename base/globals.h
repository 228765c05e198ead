// Process-wide values set up at start and shared by every part for the whole run: the
// module the resources come from and the caption of every box. A page's own state is in
// the page's layer.
#pragma once

#include <windows.h>

extern HINSTANCE AppInstance;          // every resource is loaded from here
extern wchar_t SheetCaption[MAX_PATH]; // "Lumarel Printer properties": caption of every box

// Fills AppInstance and SheetCaption: the process's set-up, done by the program's entry
// point once and by the library's export on each call (tests: their main).
void InitProcessGlobals(HINSTANCE instance);
