#include "device/printer_access.h"

#include "settings/registry.h"

UniquePrinter OpenVirtualPrinter(ACCESS_MASK desiredAccess) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, desiredAccess};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(PrinterName), &printer, &defaults)) return UniquePrinter();
    return UniquePrinter(printer);
}

bool ProbePrinterAdministration() { return static_cast<bool>(OpenVirtualPrinter(PRINTER_ACCESS_ADMINISTER)); }
