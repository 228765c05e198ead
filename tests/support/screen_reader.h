// What a screen reader hears of a control: the name and role Active Accessibility gives.
#pragma once

#include <windows.h>

#include <string>

struct Spoken {
    std::wstring name;
    LONG role = 0;
};

// Asks as a screen reader asks (AccessibleObjectFromWindow, the client object).
Spoken SpokenBy(HWND control);

// Whether the program answers WM_GETOBJECT for the control itself rather than leaving
// it to the system.
bool AnswersForItself(HWND control);
