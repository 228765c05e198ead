#include "device/spooler.h"

#include "base/late_binding.h"

namespace spooler {
namespace {

// winspool.drv is bound at the first spooler call, not when the program is loaded: its
// start-up can be slow (under Wine it opens the host's printing library), and a sheet
// that opens on a page without printer settings never needs it. The library stays
// loaded for the rest of the process.
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

EntryPoints LoadEntryPoints() {
    HMODULE library = LoadSystemLibrary(L"winspool.drv");
    EntryPoints points{};
    points.openPrinter = EntryPoint<decltype(points.openPrinter)>(library, "OpenPrinterW");
    points.closePrinter = EntryPoint<decltype(points.closePrinter)>(library, "ClosePrinter");
    points.getPrinter = EntryPoint<decltype(points.getPrinter)>(library, "GetPrinterW");
    points.setPrinter = EntryPoint<decltype(points.setPrinter)>(library, "SetPrinterW");
    points.documentProperties = EntryPoint<decltype(points.documentProperties)>(library, "DocumentPropertiesW");
    points.deviceCapabilities = EntryPoint<decltype(points.deviceCapabilities)>(library, "DeviceCapabilitiesW");
    points.printerProperties = EntryPoint<decltype(points.printerProperties)>(library, "PrinterProperties");
    points.enumForms = EntryPoint<decltype(points.enumForms)>(library, "EnumFormsW");
    points.getForm = EntryPoint<decltype(points.getForm)>(library, "GetFormW");
    points.addForm = EntryPoint<decltype(points.addForm)>(library, "AddFormW");
    points.deleteForm = EntryPoint<decltype(points.deleteForm)>(library, "DeleteFormW");
    return points;
}

// Bound once, at the first call (a function-local static is initialised once). Every
// call fetches its entry point here just before it runs, and starts with no last error:
// a failure then carries the call's own code, or none when the call sets none (Wine's
// driver calls often do not), never one that an earlier call left behind. Binding the
// DLL is such a call: winspool.drv creates a named mutex when it is loaded, which leaves
// ERROR_ALREADY_EXISTS whenever another process has it loaded too.
const EntryPoints& Spooler() {
    static const EntryPoints points = LoadEntryPoints();
    SetLastError(ERROR_SUCCESS);
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
