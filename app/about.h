// The About page: its dialog procedure and the pieces of it that tests call.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// What the web button opens (its label, the short address, is a text of the string table).
inline constexpr wchar_t WebSiteAddress[] = L"https://www.lumarel.example/";

// "Version <version>", an empty line and the maker's line (string IDS_VERSION_TEXT),
// with every "&" doubled so that the static control shows it as itself rather than as
// an access-key mark.
std::wstring ComposeVersionText(const wchar_t* version);

// The banner: white text on grey (in a high-contrast theme: the theme's window text
// on its window colour, in a frame of the text colour), 8 pixels from the left edge,
// centred vertically, in the default GUI font whatever the dialog's font is; the margin
// and the font at the display scale `dpi` (8 pixels at 96 DPI).
void DrawBanner(HDC dc, RECT area, const wchar_t* text, int dpi);

// The shell's ShellExecuteW that the web button calls, bound at the first click. A test
// puts a function of its own here to see the request without opening a browser.
extern decltype(&ShellExecuteW) ShellExecuteForWebSite;

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
