#include "app/globals.h"

#include <cwchar>

#include "settings/registry.h"

HINSTANCE AppInstance = nullptr;
wchar_t SheetCaption[MAX_PATH] = L"";
UniqueHandle PropertiesMutex;
UniqueBitmap PortraitBitmap;
UniqueBitmap LandscapeBitmap;
BOOL CanAdministerPrinter = TRUE;

void InitProcessGlobals(HINSTANCE instance) {
    AppInstance = instance;
    _snwprintf(SheetCaption, MAX_PATH, L"%s properties", PrinterName);
    SheetCaption[MAX_PATH - 1] = L'\0';
}
