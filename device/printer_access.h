// Access to the virtual printer through the print spooler. A printer handle never
// outlives the operation that opened it.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <memory>

struct PrinterCloser {
    void operator()(HANDLE printer) const { ClosePrinter(printer); }
};
using UniquePrinter = std::unique_ptr<void, PrinterCloser>;

// Opens the virtual printer with the given access; empty on failure (GetLastError tells why).
UniquePrinter OpenVirtualPrinter(ACCESS_MASK desiredAccess);

// Whether the printer may be administered: opened with PRINTER_ACCESS_ADMINISTER and closed at once.
bool ProbePrinterAdministration();
