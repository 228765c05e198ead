// The About page: the printer's name on a painted banner, the version, and the maker's web site.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/about.h"
#include "base/display_scale.h"
#include "base/handles.h"
#include "base/high_contrast.h"
#include "base/late_binding.h"
#include "base/page_helpers.h"
#include "base/registry.h"
#include "base/texts.h"
#include "res/resource.h"
#include "settings/settings.h"

decltype(&ShellExecuteW) ShellExecuteForWebSite = nullptr;

std::wstring ComposeVersionText(const wchar_t* version) {
    const std::wstring text = FormatText(IDS_VERSION_TEXT, version);
    std::wstring escaped;
    escaped.reserve(text.size() + 8);
    for (wchar_t c : text) {
        escaped += c;
        if (c == L'&') escaped += L'&';
    }
    return escaped;
}

void DrawBanner(HDC dc, RECT area, const wchar_t* text, int dpi) {
    const bool highContrast = HighContrastOn();
    if (highContrast) {
        // The theme's window colours, framed so that the banner stands out from the page.
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        FrameRect(dc, &area, GetSysColorBrush(COLOR_WINDOWTEXT));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    } else {
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        SetTextColor(dc, RGB(255, 255, 255));
    }
    SetBkMode(dc, TRANSPARENT);
    // The stock font has the screen's scale; on a monitor of another, the same font at
    // its size. In a high-contrast theme its letters are not smoothed: every pixel of
    // them has the theme's text colour.
    HGDIOBJ stockFont = GetStockObject(DEFAULT_GUI_FONT);
    UniqueFont scaledFont;
    const int screenDpi = ScreenDpi();
    LOGFONTW shape{};
    if ((dpi != screenDpi || highContrast) && GetObjectW(stockFont, sizeof shape, &shape)) {
        shape.lfHeight = MulDiv(shape.lfHeight, dpi, screenDpi);
        if (highContrast) shape.lfQuality = NONANTIALIASED_QUALITY;
        scaledFont.reset(CreateFontIndirectW(&shape));
    }
    SelectedObject font(dc, scaledFont ? scaledFont.get() : stockFont);
    area.left += ScaleToDpi(8, dpi);
    DrawTextW(dc, text, -1, &area, DT_SINGLELINE | DT_VCENTER);
}

namespace {

void PaintBanner(HWND banner) {
    PaintScope paint(banner);
    RECT area;
    GetWindowRect(banner, &area);
    MapWindowPoints(HWND_DESKTOP, banner, reinterpret_cast<POINT*>(&area), 2);
    wchar_t text[256];
    GetWindowTextW(banner, text, 256);
    DrawBanner(paint.dc(), area, text, WindowDpi(banner));
}

LRESULT CALLBACK BannerWndProc(HWND banner, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) PaintBanner(banner);
    return DefWindowProcW(banner, message, wParam, lParam);
}

void InitAboutPage(HWND page) {
    SetWindowLongPtrW(GetDlgItem(page, IDC_ABOUT_BANNER), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BannerWndProc));
    SetDlgItemTextW(page, IDC_ABOUT_BANNER, PrinterName);
    SetDlgItemTextW(page, IDC_ABOUT_VERSION, ComposeVersionText(Settings.Version).c_str());
    // The short address, its first letter the button's access key.
    SetDlgItemTextW(page, IDC_ABOUT_WEBSITE, LoadText(IDS_WEB_SITE_BUTTON).c_str());
}

void OpenWebSite() {
    if (!ShellExecuteForWebSite)
        ShellExecuteForWebSite = BindEntryPoint<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
    ComApartment com;
    if (ShellExecuteForWebSite)
        ShellExecuteForWebSite(nullptr, L"open", WebSiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitAboutPage(page);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_ABOUT_WEBSITE) {
                OpenWebSite();
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY:
            if (reinterpret_cast<NMHDR*>(lParam)->code == PSN_SETACTIVE) RecordLastViewedPage(page, Settings.LastViewedPage);
            return FALSE;
    }
    return FALSE;
}
