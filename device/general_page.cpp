// The General page: the printer's orientation, with its picture, and print quality,
// written into the printer's device mode when the sheet applies.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/accessible_names.h"
#include "base/display_scale.h"
#include "base/globals.h"
#include "base/handles.h"
#include "base/high_contrast.h"
#include "base/messages.h"
#include "base/page_helpers.h"
#include "base/windows_version.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "res/resource.h"
#include "settings/settings.h"

UniqueBitmap PortraitBitmap;
UniqueBitmap LandscapeBitmap;

OrientationBitmaps::OrientationBitmaps() {
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));
}

OrientationBitmaps::~OrientationBitmaps() {
    PortraitBitmap.reset();
    LandscapeBitmap.reset();
}

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

// The picture shows portrait paper for portrait and landscape paper for any other
// orientation the device mode holds; none without one.
UINT OrientationPictureName(short orientation) {
    if (orientation <= 0) return 0;
    return orientation == DMORIENT_PORTRAIT ? IDS_PORTRAIT_PICTURE : IDS_LANDSCAPE_PICTURE;
}

void ShowOrientation(HWND page) {
    CheckRadioChoice(page, {IDC_PORTRAIT, IDC_LANDSCAPE}, GeneralSettings.orientation - DMORIENT_PORTRAIT);
    // Screen readers read the picture as a graphic named after what it shows.
    SetAccessibleName(GetDlgItem(page, IDC_ORIENTATION_PICTURE), OrientationPictureName(GeneralSettings.orientation),
                      ROLE_SYSTEM_GRAPHIC);
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
        ShowFailure({IDS_OPEN_USE_ERROR, GetLastError()}, nullptr);
        return false;
    }
    Failure failure;
    std::vector<BYTE> mode = ReadDeviceMode(page, printer.get(), failure);
    if (mode.empty()) {
        ShowFailure(failure, nullptr);
        return false;
    }
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

// The colours of the sheet of paper and of what lies around it.
struct PaperColours {
    COLORREF face, paper, edge, fold, letter, lines;
};

// Those of bitmaps 117 and 118 (tools/make_images.py draws those), on the dialog's face.
PaperColours BitmapColours() {
    return {GetSysColor(COLOR_BTNFACE), RGB(255, 255, 255), RGB(64, 64, 64), RGB(210, 210, 210), RGB(128, 128, 128),
            RGB(160, 160, 160)};
}

// A high-contrast theme's: the paper as a window, and its edge and marks in the
// window's text colour, which the theme makes stand out against it.
PaperColours ThemeColours() {
    const COLORREF window = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
    return {GetSysColor(COLOR_BTNFACE), window, text, window, text, text};
}

void FillArea(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    RECT area{left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

void FillPolygon(HDC dc, const POINT* points, int count, HBRUSH brush) {
    SelectedObject pen(dc, GetStockObject(NULL_PEN));
    SelectedObject fill(dc, brush);
    Polygon(dc, points, count);
}

// The sheet of paper of bitmaps 117 and 118, drawn anew at `dpi` so that it stays sharp
// at every display scale: `size` is the bitmap's size in pixels at 96 DPI, `origin`
// where its top left corner goes. Every length of the bitmap grows with the scale; the
// lines keep one width.
void DrawPaperSheet(HDC dc, POINT origin, SIZE size, int dpi, const PaperColours& colours) {
    const int saved = SaveDC(dc);  // FillArea changes the background colour
    // A pixel column or row of the bitmap, as the left or top edge at this scale.
    auto x = [&](int column) { return origin.x + ScaleToDpi(column, dpi); };
    auto y = [&](int row) { return origin.y + ScaleToDpi(row, dpi); };
    const int line = std::max(1, ScaleToDpi(1, dpi));

    // The page, with the bitmap's margins, and its edge.
    const int left = 3, top = 2, right = size.cx - 4, bottom = size.cy - 3;  // inclusive, as in the bitmap
    FillArea(dc, x(left), y(top), x(right + 1), y(bottom + 1), colours.edge);
    FillArea(dc, x(left) + line, y(top) + line, x(right + 1) - line, y(bottom + 1) - line, colours.paper);

    // The folded top right corner: cut away above the diagonal, the flap below it.
    const int fold = 7, foldLeft = right - fold;
    const int cornerLeft = x(foldLeft), cornerTop = y(top);
    const int cornerRight = x(right + 1), cornerBottom = y(top + fold + 1);
    const POINT cut[] = {{cornerLeft, cornerTop}, {cornerRight + 1, cornerTop}, {cornerRight + 1, cornerBottom}};
    UniqueBrush face(CreateSolidBrush(colours.face));
    if (face) FillPolygon(dc, cut, 3, face.get());
    UniqueBrush flap(CreateSolidBrush(colours.fold));
    const POINT flapCorners[] = {{cornerLeft, cornerTop}, {cornerLeft, cornerBottom}, {cornerRight, cornerBottom}};
    if (flap) FillPolygon(dc, flapCorners, 3, flap.get());
    UniqueBrush edge(CreateSolidBrush(colours.edge));
    const POINT diagonal[] = {{cornerLeft, cornerTop},
                              {cornerLeft + line, cornerTop},
                              {cornerRight, cornerBottom - line},
                              {cornerRight, cornerBottom}};
    if (edge) FillPolygon(dc, diagonal, 4, edge.get());
    FillArea(dc, cornerLeft, cornerTop, cornerLeft + line, cornerBottom, colours.edge);
    FillArea(dc, cornerLeft, cornerBottom - line, cornerRight, cornerBottom, colours.edge);

    // The big letter "A" in the top left, of 2 by 2 pixel cells at 96 DPI.
    static const char* const Letter[] = {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"};
    const int letterLeft = left + 3, letterTop = top + 3, letterRows = 7;
    for (int row = 0; row < letterRows; ++row)
        for (int column = 0; Letter[row][column]; ++column)
            if (Letter[row][column] == '#')
                FillArea(dc, x(letterLeft + 2 * column), y(letterTop + 2 * row), x(letterLeft + 2 * column + 2),
                         y(letterTop + 2 * row + 2), colours.letter);

    // Lines of text every 3 pixels: beside the letter and the fold first, then across;
    // every fourth one shorter.
    const int letterBottom = letterTop + 2 * letterRows;
    int count = 0;
    for (int row = letterTop + 1; row <= bottom - 3; row += 3, ++count) {
        const int start = row < letterBottom ? letterLeft + 12 : left + 3;
        int end = row <= top + fold + 1 ? foldLeft - 2 : right - 3;
        if (count % 4 == 3) end = start + (end - start) * 2 / 3;
        if (end - start >= 2) FillArea(dc, x(start), y(row), x(end + 1), y(row) + line, colours.lines);
    }
    RestoreDC(dc, saved);
}

// A right-to-left page is mirrored, and with it the DC the picture is drawn on: left to
// right while it draws, so that the paper is not shown as its mirror image (the
// picture is centred in its box, so it stays in place).
class LeftToRightLayout {
public:
    // The DC's layout may carry more flags than LAYOUT_RTL; it gets them all back.
    explicit LeftToRightLayout(HDC dc) : dc_(dc), previous_(GetLayout(dc)) {
        if (mirrored()) SetLayout(dc_, 0);
    }
    ~LeftToRightLayout() {
        if (mirrored()) SetLayout(dc_, previous_);
    }
    LeftToRightLayout(const LeftToRightLayout&) = delete;
    LeftToRightLayout& operator=(const LeftToRightLayout&) = delete;

private:
    bool mirrored() const { return previous_ != GDI_ERROR && (previous_ & LAYOUT_RTL); }
    HDC dc_;
    DWORD previous_;
};

void DrawOrientationPicture(const DRAWITEMSTRUCT& item) {
    if (GeneralSettings.orientation <= 0 || !PortraitBitmap || !LandscapeBitmap) return;
    LeftToRightLayout layout(item.hDC);
    HBITMAP bitmap = GeneralSettings.orientation == DMORIENT_PORTRAIT ? PortraitBitmap.get() : LandscapeBitmap.get();
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    RECT area;
    GetWindowRect(item.hwndItem, &area);
    MapWindowPoints(HWND_DESKTOP, item.hwndItem, reinterpret_cast<POINT*>(&area), 2);
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
    // The bitmap itself at 100 %; at any other scale the same picture drawn at that
    // size, not the bitmap stretched (blurred or blocky); in a high-contrast theme drawn
    // at every scale, in the theme's colours.
    const int dpi = WindowDpi(item.hwndItem);
    const bool highContrast = HighContrastOn();
    if (dpi != StandardDpi || highContrast) {
        const SIZE scaled{ScaleToDpi(size.bmWidth, dpi), ScaleToDpi(size.bmHeight, dpi)};
        DrawPaperSheet(item.hDC, CenteredPicturePosition(area, scaled.cx, scaled.cy), {size.bmWidth, size.bmHeight},
                       dpi, highContrast ? ThemeColours() : BitmapColours());
        return;
    }
    UniqueMemoryDc memory(CreateCompatibleDC(item.hDC));
    if (!memory) return;
    SelectedObject selected(memory.get(), bitmap);
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
        ShowFailure({IDS_OPEN_PRINTER_FAILED, GetLastError()}, nullptr);
        return;
    }
    RunDriverProperties(page, printer.get());
    Failure failure;
    std::vector<BYTE> mode = ReadDeviceMode(page, printer.get(), failure);
    if (mode.empty()) {
        ShowFailure(failure, nullptr);
        return;
    }
    ShowDeviceMode(page, *AsDeviceMode(mode));
    // The picture follows at once, not only at the next paint.
    InvalidateRect(GetDlgItem(page, IDC_ORIENTATION_PICTURE), nullptr, TRUE);
}

// A failed write is told, and the page stays changed until it is stored. The spooler
// may fail without a code: nothing can be told then, and the apply goes on as before.
bool ApplyGeneralPage(HWND) {
    Failure failure;
    return ApplyDeviceSettings(GeneralSettings, failure) || ShowFailure(failure, nullptr) == 0;
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
        case WM_DPICHANGED_AFTERPARENT:
            // Moved to a monitor of another scale: the picture is drawn at the new one.
            InvalidateRect(GetDlgItem(page, IDC_ORIENTATION_PICTURE), nullptr, TRUE);
            return FALSE;
        case WM_COMMAND:
            ChooseRadioReachedByArrow(page, wParam);
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
            return OnPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), Settings.LastViewedPage, GeneralPageChanged, ApplyGeneralPage);
        case WM_DESTROY:
            Resolutions.clear();
            return FALSE;
    }
    return FALSE;
}
