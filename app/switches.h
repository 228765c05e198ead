// The command line of properties.exe.
#pragma once

struct Switches {
    int noGeneral = 0;  // "/nogeneral": leave the General page out
    int noPaper = 0;    // "/nopaper": leave the Paper page out
};

// Splits the tail at spaces only and compares each token as a whole with the two
// switches, ignoring the case of A to Z. Other tokens are ignored.
Switches ParseSwitches(const wchar_t* tail);
