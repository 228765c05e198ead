#include "base/globals.h"

#include <cwchar>

#include "base/registry.h"
#include "base/texts.h"
#include "res/resource.h"

HINSTANCE AppInstance = nullptr;
wchar_t SheetCaption[MAX_PATH] = L"";

void InitProcessGlobals(HINSTANCE instance) {
    AppInstance = instance;
    wcsncpy(SheetCaption, FormatText(IDS_SHEET_CAPTION, PrinterName).c_str(), MAX_PATH - 1);
    SheetCaption[MAX_PATH - 1] = L'\0';
}
