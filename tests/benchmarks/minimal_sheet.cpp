// The reference for the start-up benchmark: the same kind of sheet as properties.exe
// (six pages of the same size, the same header flags, the same manifest) with nothing
// behind the pages. With "/spooler" it loads the print spooler's DLL first, as
// properties.exe does through its imports, to show what that load costs by itself.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "tests/benchmarks/minimal_sheet.h"

namespace {

INT_PTR CALLBACK EmptyPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

int CALLBACK EmptySheetCallback(HWND, UINT, LPARAM) { return 0; }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    if (wcsstr(commandLine, L"/spooler")) LoadLibraryW(L"winspool.drv");
    const wchar_t* titles[] = {L"General", L"Paper", L"Agent", L"EMF", L"PDF", L"About"};
    HPROPSHEETPAGE pages[6];
    for (int index = 0; index < 6; ++index) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_USETITLE;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(IDD_MINIMAL_PAGE);
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
    return 0;
}
