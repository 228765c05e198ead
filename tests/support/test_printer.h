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
// Wine's driver reads the device mode once per process and keeps its own copy, which is
// what the pages read: this changes the orientation in that copy (DocumentPropertiesW
// with DM_IN_BUFFER). True when the driver then reports it.
bool SetDriverOrientation(short orientation);
