#include "device/spooler.h"

#include "app/late_binding.h"

namespace spooler {
namespace {

// winspool.drv is bound at the first spooler call, not when the program is loaded:
// its start-up is slow on some systems (it may load printing libraries of the host),
// and the printer is first read on a thread of its own while the sheet is built
// (device/printer_read_ahead.cpp). The library stays loaded for the rest of the process.
struct EntryPoints {
    decltype(&OpenPrinterW) openPrinter;
    decltype(&ClosePrinter) closePrinter;
    decltype(&GetPrinterW) getPrinter;
    decltype(&SetPrinterW) setPrinter;
    decltype(&DocumentPropertiesW) documentProperties;
    decltype(&DeviceCapabilitiesW) deviceCapabilities;
    decltype(&PrinterProperties) printerProperties;
    decltype(&EnumFormsW) enumForms;
    decltype(&GetFormW) getForm;
    decltype(&AddFormW) addForm;
    decltype(&DeleteFormW) deleteForm;
};

template <typename Function>
void Bind(const char* name, Function& function) {
    function = BindEntryPoint<Function>(L"winspool.drv", name);
}

EntryPoints LoadEntryPoints() {
    EntryPoints points{};
    Bind("OpenPrinterW", points.openPrinter);
    Bind("ClosePrinter", points.closePrinter);
    Bind("GetPrinterW", points.getPrinter);
    Bind("SetPrinterW", points.setPrinter);
    Bind("DocumentPropertiesW", points.documentProperties);
    Bind("DeviceCapabilitiesW", points.deviceCapabilities);
    Bind("PrinterProperties", points.printerProperties);
    Bind("EnumFormsW", points.enumForms);
    Bind("GetFormW", points.getForm);
    Bind("AddFormW", points.addForm);
    Bind("DeleteFormW", points.deleteForm);
    return points;
}

// Bound once, whichever thread calls first (a function-local static is initialised once).
const EntryPoints& Spooler() {
    static const EntryPoints points = LoadEntryPoints();
    return points;
}

// What a call answers when its entry point is missing: the failure value of that call,
// with a last-error value that says why.
template <typename Result>
Result Unavailable(Result failure) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return failure;
}

}  // namespace

BOOL Open(const wchar_t* printerName, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
    auto open = Spooler().openPrinter;
    return open ? open(const_cast<wchar_t*>(printerName), printer, defaults) : Unavailable<BOOL>(FALSE);
}

BOOL Close(HANDLE printer) {
    auto close = Spooler().closePrinter;
    return close ? close(printer) : Unavailable<BOOL>(FALSE);
}

BOOL GetInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    auto get = Spooler().getPrinter;
    return get ? get(printer, level, buffer, size, needed) : Unavailable<BOOL>(FALSE);
}

BOOL SetInfo(HANDLE printer, DWORD level, BYTE* info, DWORD command) {
    auto set = Spooler().setPrinter;
    return set ? set(printer, level, info, command) : Unavailable<BOOL>(FALSE);
}

LONG DeviceModeProperties(HWND owner, HANDLE printer, const wchar_t* printerName, DEVMODEW* output, DEVMODEW* input,
                          DWORD mode) {
    auto properties = Spooler().documentProperties;
    return properties ? properties(owner, printer, const_cast<wchar_t*>(printerName), output, input, mode)
                      : Unavailable<LONG>(-1);
}

int Capabilities(const wchar_t* printerName, const wchar_t* port, WORD capability, wchar_t* output,
                 const DEVMODEW* deviceMode) {
    auto capabilities = Spooler().deviceCapabilities;
    return capabilities ? capabilities(printerName, port, capability, output, deviceMode) : Unavailable(-1);
}

BOOL DriverProperties(HWND owner, HANDLE printer) {
    auto properties = Spooler().printerProperties;
    return properties ? properties(owner, printer) : Unavailable<BOOL>(FALSE);
}

BOOL EnumerateForms(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
    auto enumerate = Spooler().enumForms;
    return enumerate ? enumerate(printer, level, buffer, size, needed, count) : Unavailable<BOOL>(FALSE);
}

BOOL GetOneForm(HANDLE printer, const wchar_t* formName, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    auto get = Spooler().getForm;
    return get ? get(printer, const_cast<wchar_t*>(formName), level, buffer, size, needed) : Unavailable<BOOL>(FALSE);
}

BOOL AddOneForm(HANDLE printer, DWORD level, BYTE* form) {
    auto add = Spooler().addForm;
    return add ? add(printer, level, form) : Unavailable<BOOL>(FALSE);
}

BOOL DeleteOneForm(HANDLE printer, const wchar_t* formName) {
    auto remove = Spooler().deleteForm;
    return remove ? remove(printer, const_cast<wchar_t*>(formName)) : Unavailable<BOOL>(FALSE);
}

}  // namespace spooler
