// The test printer's device mode as the spooler keeps it (GetPrinterW at level 2),
// read past the copy that Wine's driver keeps per process.
#pragma once

#include <windows.h>

#include <vector>

// The stored device mode, public and driver part; empty when it cannot be read.
std::vector<BYTE> StoredDeviceMode();
// The public part of it, zero when it cannot be read.
DEVMODEW StoredDeviceModeFields();
// Puts a device mode read by StoredDeviceMode back.
void StoreDeviceMode(std::vector<BYTE>& mode);
