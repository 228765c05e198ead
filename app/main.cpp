// Entry point of properties.exe: one run at a time, then the printer's property sheet.
#include <windows.h>
#include <commctrl.h>

#include "app/sheet.h"
#include "app/switches.h"
#include "app/transfer_command.h"
#include "base/globals.h"
#include "base/late_binding.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandTail, int) {
    RestrictDllSearchToSystemDirectory();
    AppInstance = instance;

    // "/export" and "/import" run without a sheet; their exit code tells the script.
    TransferCommand transfer;
    if (ParseTransferCommand(commandTail, transfer)) {
        InitProcessGlobals(instance);
        return RunTransferCommand(transfer);
    }

    // Another run, or a host's sheet shown by properties.dll, is open: end without a word.
    if (!TakeSheetGuard(PropertiesMutex)) return 0;

    InitProcessGlobals(instance);
    Switches switches = ParseSwitches(commandTail);
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));

    return ShowProperties(switches.noGeneral, switches.noPaper);
}
