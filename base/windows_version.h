// The Windows the program runs on: the platform and version decide which pages the
// sheet holds and how a device mode is written.
#pragma once

#include <windows.h>

// GetVersionExW; an unknown version is taken for a current Windows NT.
OSVERSIONINFOW WindowsVersion();
