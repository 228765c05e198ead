// "properties.exe /export FILE" and "/import FILE": Export and Import of the PDF page for
// logon scripts, without a window or a box. The outcome is the exit code and one line
// for the script: on its standard output or error when they lead somewhere, else on the
// console of the script that started the program.
#pragma once

#include "app/switches.h"

// The exit codes a script tests.
enum TransferExitCode : int {
    TransferDone = 0,
    TransferRegistryFailed = 1,   // the settings could not be read or stored
    TransferSheetOpen = 2,        // a sheet of this module is open: an import waits for none
    TransferFileFailed = 3,       // the file could not be read (or, for an export, written)
    TransferFileRefused = 4,      // the file is no settings file this version can take whole
    TransferNotUnderstood = 5,    // the command line is neither form
};

int RunTransferCommand(const TransferCommand& command);
