// The display scale of a window, for what the program draws and loads itself: the
// dialogs follow the scale through their fonts, pictures and icons through these.
#pragma once

#include <windows.h>

#include "base/late_binding.h"

// Sent to a window's children after it moved to a monitor of another scale (Windows 10
// 1703 and later; the headers declare it only for that target).
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

// The scale at which the program's pictures have their natural size (100 %).
inline constexpr int StandardDpi = 96;

// Dots per inch of the whole screen, as the system scales for it.
inline int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : StandardDpi;
}

// Dots per inch of the monitor the window is shown on (the manifest makes the program
// aware of each monitor's scale); the screen's where the system knows no other.
inline int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto forWindow = BindEntryPoint<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    const UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi ? static_cast<int>(dpi) : ScreenDpi();
}

// A length given at 96 DPI, at `dpi`, rounded to the nearest pixel.
inline int ScaleToDpi(int length, int dpi) { return MulDiv(length, dpi, StandardDpi); }

// A system metric (an icon size, for instance) at `dpi`.
inline int SystemMetricForDpi(int index, int dpi) {
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto forDpi =
        BindEntryPoint<GetSystemMetricsForDpiFunction>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}
