// Entry point of properties.exe: sets up the process once, then runs what the command
// line asks for under the single-instance guard: the printer's property sheet, or an
// export or import of the settings for a script.
#include <windows.h>

#include "app/sheet.h"
#include "app/switches.h"
#include "app/transfer_command.h"
#include "base/globals.h"
#include "base/late_binding.h"

namespace {

// The sheet, unless another run, or a host's sheet shown by properties.dll, is open:
// then the program ends without a word.
int ShowSheet(const Switches& switches) {
    SheetGuard guard;
    if (!guard.taken()) return 0;
    return ShowProperties(switches.noGeneral, switches.noPaper);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandTail, int) {
    RestrictDllSearchToSystemDirectory();
    InitProcessGlobals(instance);
    // "/export" and "/import" run without a sheet; their exit code tells the script.
    TransferCommand transfer;
    if (ParseTransferCommand(commandTail, transfer)) return RunTransferCommand(transfer);
    const Switches switches = ParseSwitches(commandTail);
    return ShowSheet(switches);
}
