// The General page: the printer's orientation, with its picture, and print quality,
// written into the printer's device mode when the sheet applies.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/globals.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/pages.h"
#include "app/sheet.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "res/resource.h"

namespace {

DeviceSettings GeneralSettings = {};
// The combo's item data point into this list, so it lives as long as the page.
std::vector<ResolutionPair> Resolutions;
bool GeneralPageChanged = false;

void FillResolutionList(HWND page) {
    Resolutions = ReadResolutions();
    HWND list = GetDlgItem(page, IDC_RESOLUTION_LIST);
    for (ResolutionPair& pair : Resolutions) {
        std::wstring text = ResolutionText(pair.horizontal, pair.vertical);
        LRESULT index = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index != CB_ERR) SendMessageW(list, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(&pair));
    }
}

const ResolutionPair* PairOfEntry(HWND list, LRESULT index) {
    LRESULT data = SendMessageW(list, CB_GETITEMDATA, index, 0);
    return data == CB_ERR ? nullptr : reinterpret_cast<const ResolutionPair*>(data);
}

void ShowOrientation(HWND page) {
    CheckDlgButton(page, IDC_PORTRAIT, GeneralSettings.orientation == DMORIENT_PORTRAIT);
    CheckDlgButton(page, IDC_LANDSCAPE, GeneralSettings.orientation == DMORIENT_LANDSCAPE);
}

// Takes orientation and resolution from a device mode and shows them; the first list
// entry with the same pair is selected, and without one the selection stays.
void ShowDeviceMode(HWND page, const DEVMODEW& mode) {
    GeneralSettings = {mode.dmOrientation, mode.dmPrintQuality, mode.dmYResolution};
    ShowOrientation(page);
    HWND list = GetDlgItem(page, IDC_RESOLUTION_LIST);
    for (size_t index = 0; index < Resolutions.size(); ++index) {
        const ResolutionPair* pair = PairOfEntry(list, static_cast<LRESULT>(index));
        if (pair && pair->horizontal == GeneralSettings.horizontal && pair->vertical == GeneralSettings.vertical) {
            SendMessageW(list, CB_SETCURSEL, index, 0);
            break;
        }
    }
}

// Reads the stored device mode into the page; false when it could not be read.
bool ReadStoredSettings(HWND page) {
    UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_USE);
    if (!printer) {
        ShowErrorBox(OpenUseErrorText, 0, nullptr);
        return false;
    }
    std::vector<BYTE> mode = ReadDeviceMode(page, printer.get());
    if (mode.empty()) return false;
    ShowDeviceMode(page, *AsDeviceMode(mode));
    return true;
}

void InitGeneralPage(HWND page) {
    OSVERSIONINFOW version = WindowsVersion();
    GeneralSettings = {};
    GeneralPageChanged = false;
    FillResolutionList(page);
    bool read = ReadStoredSettings(page);
    if (version.dwMajorVersion == 4 && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        // Windows 95/98/Me: the driver's own dialog changes the settings.
        EnableWindow(GetDlgItem(page, IDC_PORTRAIT), FALSE);
        EnableWindow(GetDlgItem(page, IDC_LANDSCAPE), FALSE);
        EnableWindow(GetDlgItem(page, IDC_RESOLUTION_LIST), FALSE);
    } else {
        ShowWindow(GetDlgItem(page, IDC_DRIVER_PROPERTIES), SW_HIDE);
    }
    if (!read) EnumChildWindows(page, DisableChildWindow, 0);
}

void DrawOrientationPicture(const DRAWITEMSTRUCT& item) {
    if (GeneralSettings.orientation <= 0 || !PortraitBitmap || !LandscapeBitmap) return;
    HBITMAP bitmap = GeneralSettings.orientation == DMORIENT_PORTRAIT ? PortraitBitmap.get() : LandscapeBitmap.get();
    UniqueMemoryDc memory(CreateCompatibleDC(item.hDC));
    if (!memory) return;
    SelectedObject selected(memory.get(), bitmap);
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    RECT area;
    GetWindowRect(item.hwndItem, &area);
    MapWindowPoints(HWND_DESKTOP, item.hwndItem, reinterpret_cast<POINT*>(&area), 2);
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    POINT at = CenteredPicturePosition(area, size.bmWidth, size.bmHeight);
    BitBlt(item.hDC, at.x, at.y, size.bmWidth, size.bmHeight, memory.get(), 0, 0, SRCCOPY);
}

void OnOrientationClicked(HWND page, short orientation) {
    GeneralSettings.orientation = orientation;
    ShowOrientation(page);
    InvalidateRect(GetDlgItem(page, IDC_ORIENTATION_PICTURE), nullptr, TRUE);
    MarkPageChanged(page, GeneralPageChanged);
}

void OnResolutionChosen(HWND page) {
    HWND list = GetDlgItem(page, IDC_RESOLUTION_LIST);
    LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return;
    const ResolutionPair* pair = PairOfEntry(list, index);
    if (!pair) return;
    GeneralSettings.horizontal = static_cast<short>(pair->horizontal);
    GeneralSettings.vertical = static_cast<short>(pair->vertical);
    MarkPageChanged(page, GeneralPageChanged);
}

// The driver's dialog stores what the user chose there itself: the page only shows it.
void OnDriverProperties(HWND page) {
    UniquePrinter printer = OpenVirtualPrinter(PRINTER_ALL_ACCESS);
    if (!printer) {
        ShowErrorBox(OpenPrinterFailedText, 0, nullptr);
        return;
    }
    RunDriverProperties(page, printer.get());
    std::vector<BYTE> mode = ReadDeviceMode(page, printer.get());
    if (mode.empty()) return;
    ShowDeviceMode(page, *AsDeviceMode(mode));
    // The picture follows at once, not only at the next paint.
    InvalidateRect(GetDlgItem(page, IDC_ORIENTATION_PICTURE), nullptr, TRUE);
}

void ApplyGeneralPage(HWND) {
    if (!GeneralPageChanged) return;
    ApplyDeviceSettings(GeneralSettings);
    // A failed write is reported once and not retried by the next apply.
    GeneralPageChanged = false;
}

}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitGeneralPage(page);
            return TRUE;
        case WM_DRAWITEM:
            DrawOrientationPicture(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_PORTRAIT:
                    if (HIWORD(wParam) == BN_CLICKED) OnOrientationClicked(page, DMORIENT_PORTRAIT);
                    break;
                case IDC_LANDSCAPE:
                    if (HIWORD(wParam) == BN_CLICKED) OnOrientationClicked(page, DMORIENT_LANDSCAPE);
                    break;
                case IDC_RESOLUTION_LIST:
                    if (HIWORD(wParam) == CBN_SELENDOK) OnResolutionChosen(page);
                    break;
                case IDC_DRIVER_PROPERTIES:
                    if (HIWORD(wParam) == BN_CLICKED) OnDriverProperties(page);
                    break;
            }
            return FALSE;
        case WM_NOTIFY:
            return OnSettingsPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), ApplyGeneralPage);
        case WM_DESTROY:
            Resolutions.clear();
            return FALSE;
    }
    return FALSE;
}
