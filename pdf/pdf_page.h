// The dialog procedure of the PDF page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK PdfPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
