#include "device/spooler.h"

namespace spooler {

BOOL Open(const wchar_t* printerName, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
    return OpenPrinterW(const_cast<wchar_t*>(printerName), printer, defaults);
}

BOOL Close(HANDLE printer) { return ClosePrinter(printer); }

BOOL GetInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    return GetPrinterW(printer, level, buffer, size, needed);
}

BOOL SetInfo(HANDLE printer, DWORD level, BYTE* info, DWORD command) {
    return SetPrinterW(printer, level, info, command);
}

LONG DeviceModeProperties(HWND owner, HANDLE printer, const wchar_t* printerName, DEVMODEW* output, DEVMODEW* input,
                          DWORD mode) {
    return DocumentPropertiesW(owner, printer, const_cast<wchar_t*>(printerName), output, input, mode);
}

int Capabilities(const wchar_t* printerName, const wchar_t* port, WORD capability, wchar_t* output,
                 const DEVMODEW* deviceMode) {
    return DeviceCapabilitiesW(printerName, port, capability, output, deviceMode);
}

BOOL DriverProperties(HWND owner, HANDLE printer) { return PrinterProperties(owner, printer); }

BOOL EnumerateForms(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
    return EnumFormsW(printer, level, buffer, size, needed, count);
}

BOOL GetOneForm(HANDLE printer, const wchar_t* formName, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    return GetFormW(printer, const_cast<wchar_t*>(formName), level, buffer, size, needed);
}

BOOL AddOneForm(HANDLE printer, DWORD level, BYTE* form) { return AddFormW(printer, level, form); }

BOOL DeleteOneForm(HANDLE printer, const wchar_t* formName) {
    return DeleteFormW(printer, const_cast<wchar_t*>(formName));
}

}  // namespace spooler
