// Every test program starts like properties.exe: its own module holds the resources.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/globals.h"

int wmain(int argc, wchar_t** argv) {
    InitProcessGlobals(GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
