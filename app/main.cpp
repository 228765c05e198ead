// Entry point of properties.exe: one run at a time, then the printer's property sheet.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "app/sheet.h"
#include "app/switches.h"
#include "base/globals.h"
#include "base/late_binding.h"
#include "base/registry.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandTail, int) {
    RestrictDllSearchToSystemDirectory();
    AppInstance = instance;

    wchar_t mutexName[MAX_PATH];
    _snwprintf(mutexName, MAX_PATH, L"%s_properties_mutex", PrinterName);
    mutexName[MAX_PATH - 1] = L'\0';
    PropertiesMutex.reset(CreateMutexW(nullptr, FALSE, mutexName));
    DWORD guard = GetLastError();
    if (guard == ERROR_ALREADY_EXISTS || guard == ERROR_ACCESS_DENIED) return 0;

    InitProcessGlobals(instance);
    Switches switches = ParseSwitches(commandTail);
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));

    return ShowProperties(switches.noGeneral, switches.noPaper);
}
