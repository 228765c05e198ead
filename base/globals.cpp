#include "base/globals.h"

#include <cwchar>

#include "base/registry.h"

HINSTANCE AppInstance = nullptr;
wchar_t SheetCaption[MAX_PATH] = L"";
UniqueBitmap PortraitBitmap;
UniqueBitmap LandscapeBitmap;
BOOL CanAdministerPrinter = TRUE;

void InitProcessGlobals(HINSTANCE instance) {
    AppInstance = instance;
    _snwprintf(SheetCaption, MAX_PATH, L"%s properties", PrinterName);
    SheetCaption[MAX_PATH - 1] = L'\0';
}
