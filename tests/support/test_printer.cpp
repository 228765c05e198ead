#include "tests/support/test_printer.h"

#include <winspool.h>

namespace {

HANDLE OpenTestPrinter(ACCESS_MASK access) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    if (!OpenPrinterW(const_cast<wchar_t*>(L"Lumarel Printer"), &printer, &defaults)) return nullptr;
    return printer;
}

}  // namespace

std::vector<BYTE> StoredDeviceMode() {
    HANDLE printer = OpenTestPrinter(PRINTER_ACCESS_USE);
    if (!printer) return {};
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed), mode;
    if (needed && GetPrinterW(printer, 2, info.data(), needed, &needed)) {
        const DEVMODEW* stored = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
        if (stored) {
            const BYTE* bytes = reinterpret_cast<const BYTE*>(stored);
            mode.assign(bytes, bytes + stored->dmSize + stored->dmDriverExtra);
        }
    }
    ClosePrinter(printer);
    return mode;
}

DEVMODEW StoredDeviceModeFields() {
    std::vector<BYTE> mode = StoredDeviceMode();
    DEVMODEW fields{};
    if (mode.size() >= sizeof fields) fields = *reinterpret_cast<DEVMODEW*>(mode.data());
    return fields;
}

void StoreDeviceMode(std::vector<BYTE>& mode) {
    if (mode.empty()) return;
    HANDLE printer = OpenTestPrinter(PRINTER_ALL_ACCESS);
    if (!printer) return;
    PRINTER_INFO_9W info{reinterpret_cast<DEVMODEW*>(mode.data())};
    SetPrinterW(printer, 9, reinterpret_cast<BYTE*>(&info), 0);
    ClosePrinter(printer);
}

bool SetDriverOrientation(short orientation) {
    HANDLE printer = OpenTestPrinter(PRINTER_ACCESS_USE);
    if (!printer) return false;
    wchar_t* name = const_cast<wchar_t*>(L"Lumarel Printer");
    bool done = false;
    LONG size = DocumentPropertiesW(nullptr, printer, name, nullptr, nullptr, 0);
    if (size >= static_cast<LONG>(sizeof(DEVMODEW))) {
        std::vector<BYTE> mode(size), merged(size);
        auto* input = reinterpret_cast<DEVMODEW*>(mode.data());
        auto* output = reinterpret_cast<DEVMODEW*>(merged.data());
        if (DocumentPropertiesW(nullptr, printer, name, input, nullptr, DM_OUT_BUFFER) == IDOK) {
            input->dmOrientation = orientation;
            input->dmFields |= DM_ORIENTATION;
            done = DocumentPropertiesW(nullptr, printer, name, output, input, DM_IN_BUFFER | DM_OUT_BUFFER) == IDOK &&
                   output->dmOrientation == orientation;
        }
    }
    ClosePrinter(printer);
    return done;
}
