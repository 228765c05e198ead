// Installs "Lumarel Printer" into the running Windows (a Wine prefix, as a rule): the
// PostScript driver with the project's own PPD, and a printer on the port "FILE:".
// Run it again to refresh the PPD; an existing printer is kept.
//
//   install_printer.exe [path of the PPD]   (default: lumarel.ppd beside this program)
//
// Exit code 0 when the printer is there afterwards, 1 otherwise (the reason on stderr).
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t PrinterName[] = L"Lumarel Printer";
constexpr wchar_t DriverName[] = L"Wine PostScript Driver";
constexpr wchar_t DriverFile[] = L"wineps.drv";
constexpr wchar_t DataFile[] = L"generic.ppd";

int Fail(const char* what, DWORD error) {
    std::fprintf(stderr, "install_printer: %s failed, error %lu\n", what, static_cast<unsigned long>(error));
    return 1;
}

std::wstring ProgramDirectory() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) break;
        path.resize(path.size() * 2);
    }
    std::wstring text = path.data();
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

// 32-bit programs on 64-bit Windows look their driver up in the x86 environment, and a
// program that Wine runs as Windows 95/98/Me in "Windows 4.0": the driver goes into each.
std::vector<const wchar_t*> Environments() {
#if defined(_WIN64)
    const bool system64 = true;
#else
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const bool system64 = wow64 != FALSE;
#endif
    if (system64) return {L"Windows x64", L"Windows NT x86", L"Windows 4.0"};
    return {L"Windows NT x86", L"Windows 4.0"};
}

bool InstallDriver(const wchar_t* environment, const std::wstring& ppd, int& status) {
    wchar_t directory[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(environment), 1,
                                    reinterpret_cast<BYTE*>(directory), sizeof directory, &needed)) {
        status = Fail("GetPrinterDriverDirectoryW", GetLastError());
        return false;
    }
    CreateDirectoryW(directory, nullptr);
    std::wstring target = std::wstring(directory) + L"\\" + DataFile;
    if (!CopyFileW(ppd.c_str(), target.c_str(), FALSE)) {
        status = Fail("copying the PPD", GetLastError());
        return false;
    }
    DRIVER_INFO_3W driver{};
    const bool win9x = std::wstring(environment) == L"Windows 4.0";
    driver.cVersion = win9x ? 0 : 3;
    driver.pName = const_cast<wchar_t*>(DriverName);
    driver.pEnvironment = const_cast<wchar_t*>(environment);
    driver.pDriverPath = const_cast<wchar_t*>(DriverFile);
    driver.pDataFile = const_cast<wchar_t*>(DataFile);
    driver.pConfigFile = const_cast<wchar_t*>(DriverFile);
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES)) {
        status = Fail("AddPrinterDriverExW", GetLastError());
        return false;
    }
    if (win9x) {
        // Wine gives that environment its 16-bit driver stub, which no 32- or 64-bit
        // program can load, and looks for the driver in its "3" folder: the driver of
        // this program's own environment goes there.
        wchar_t own[MAX_PATH] = {};
        if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(own), sizeof own, &needed)) {
            status = Fail("GetPrinterDriverDirectoryW", GetLastError());
            return false;
        }
        std::wstring folder = std::wstring(directory) + L"\\3";
        CreateDirectoryW(folder.c_str(), nullptr);
        std::wstring source = std::wstring(own) + L"\\3\\" + DriverFile;
        std::wstring copy = folder + L"\\" + DriverFile;
        if (!CopyFileW(source.c_str(), copy.c_str(), FALSE)) {
            status = Fail("copying the driver for Windows 95/98/Me programs", GetLastError());
            return false;
        }
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring ppd = argc > 1 ? argv[1] : ProgramDirectory() + L"lumarel.ppd";
    if (GetFileAttributesW(ppd.c_str()) == INVALID_FILE_ATTRIBUTES) return Fail("finding the PPD", GetLastError());

    int status = 0;
    for (const wchar_t* environment : Environments())
        if (!InstallDriver(environment, ppd, status)) return status;

    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(PrinterName);
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(DriverName);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer) {
        ClosePrinter(printer);
    } else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        return Fail("AddPrinterW", GetLastError());
    }

    // The printer must be reachable the way the properties module reaches it.
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE check = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(PrinterName), &check, &defaults)) return Fail("OpenPrinterW", GetLastError());
    LONG size = DocumentPropertiesW(nullptr, check, const_cast<wchar_t*>(PrinterName), nullptr, nullptr, 0);
    ClosePrinter(check);
    if (size <= 0) return Fail("DocumentPropertiesW", GetLastError());
    std::printf("install_printer: \"Lumarel Printer\" is installed\n");
    return 0;
}
