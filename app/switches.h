// The command line of properties.exe.
#pragma once

#include <string>

#include "pdf/profile_transfer.h"

struct Switches {
    int noGeneral = 0;  // "/nogeneral": leave the General page out
    int noPaper = 0;    // "/nopaper": leave the Paper page out
};

// Splits the tail at spaces only and compares each token as a whole with the two
// switches, ignoring the case of A to Z. Other tokens are ignored.
Switches ParseSwitches(const wchar_t* tail);

// "/export FILE [/passwords] [/settings]" and "/import FILE [/replace | /keepboth | /skip]
// [/settings]": the PDF page's Export and Import without a window, for scripts.
struct TransferCommand {
    enum class Action { Export, Import } action = Action::Export;
    std::wstring file;
    bool passwords = false;                        // export: the enciphered passwords too
    bool plainValues = false;                      // the EMF, PDF and Agent values too
    MergeChoice onConflict = MergeChoice::Skip;    // import: for a name the list has
    bool understood = true;                        // false: a word that belongs to neither form
};

// True when the tail's first word is "/export" or "/import" (A to Z in any case); the
// rest is then read into `command`. Words are split at spaces and tabs; double quotes
// hold a file name with spaces together.
bool ParseTransferCommand(const wchar_t* tail, TransferCommand& command);
