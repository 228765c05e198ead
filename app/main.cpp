// Entry point of properties.exe: one run at a time, then the printer's property sheet.
#include <windows.h>
#include <commctrl.h>

#include "app/sheet.h"
#include "app/switches.h"
#include "base/globals.h"
#include "base/late_binding.h"
#include "device/device_pages.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandTail, int) {
    RestrictDllSearchToSystemDirectory();
    AppInstance = instance;

    // Another run, or a host's sheet shown by properties.dll, is open: end without a word.
    if (!TakeSheetGuard(PropertiesMutex)) return 0;

    InitProcessGlobals(instance);
    Switches switches = ParseSwitches(commandTail);
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));

    return ShowProperties(switches.noGeneral, switches.noPaper);
}
