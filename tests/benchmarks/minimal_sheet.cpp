// The reference for the start-up benchmark: the same kind of sheet as properties.exe
// (six pages of the same size, the same header flags, the same manifest) with nothing
// behind the pages. Two variants show where a real sheet's start-up goes:
//   /spooler    loads the print spooler's DLL first, as properties.exe must before its
//               first page can show the printer's settings;
//   /templates  shows properties.exe's own page templates (read from the program file
//               beside it) instead of empty ones, still with no code behind them.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>

#include "res/resource.h"
#include "tests/benchmarks/minimal_sheet.h"

namespace {

INT_PTR CALLBACK EmptyPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

int CALLBACK EmptySheetCallback(HWND, UINT, LPARAM) { return 0; }

// properties.exe as a resource file, for its page templates.
HMODULE OpenProgramTemplates() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, length);
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"properties.exe";
    return LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    if (wcsstr(commandLine, L"/spooler")) LoadLibraryW(L"winspool.drv");
    HMODULE templates = wcsstr(commandLine, L"/templates") ? OpenProgramTemplates() : nullptr;
    const wchar_t* titles[] = {L"General", L"Paper", L"Agent", L"EMF", L"PDF", L"About"};
    const int programTemplates[] = {IDD_GENERAL_PAGE, IDD_PAPER_PAGE, IDD_AGENT_PAGE,
                                    IDD_EMF_PAGE,     IDD_PDF_PAGE,   IDD_ABOUT_PAGE};
    HPROPSHEETPAGE pages[6];
    for (int index = 0; index < 6; ++index) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_USETITLE;
        page.hInstance = templates ? templates : instance;
        page.pszTemplate = MAKEINTRESOURCEW(templates ? programTemplates[index] : IDD_MINIMAL_PAGE);
        page.pfnDlgProc = EmptyPageProc;
        page.pszTitle = titles[index];
        pages[index] = CreatePropertySheetPageW(&page);
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPTITLE | PSH_USECALLBACK;
    header.hInstance = instance;
    header.pszCaption = L"Minimal Sheet";
    header.nPages = 6;
    header.phpage = pages;
    header.pfnCallback = EmptySheetCallback;
    PropertySheetW(&header);
    if (templates) FreeLibrary(templates);
    return 0;
}
