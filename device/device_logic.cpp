// The device pages' logic that touches no window, and their shared unit controls.
#include <algorithm>
#include <cwchar>

#include "base/page_helpers.h"
#include "base/texts.h"
#include "device/device_pages.h"
#include "res/resource.h"

NewFormResult NewPaperForm = {};

std::wstring ResolutionText(LONG horizontal, LONG vertical) {
    UINT format = IDS_RESOLUTION;
    if (horizontal == 204 && vertical == 98) format = IDS_RESOLUTION_STANDARD_FAX;
    if (horizontal == 204 && vertical == 196) format = IDS_RESOLUTION_FINE_FAX;
    return FormatText(format, static_cast<int>(horizontal), static_cast<int>(vertical)).substr(0, 63);
}

POINT CenteredPicturePosition(const RECT& area, int width, int height) {
    // Integer halves that truncate toward zero, as C++ division does.
    return {area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
}

int UserMeasurementSystem(int current) {
    wchar_t measure[2] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure, 2) > 0) return _wtoi(measure);
    return current;
}

namespace {

std::wstring UserLocaleText(LCTYPE type, const wchar_t* fallback) {
    wchar_t text[4] = {};  // the longest separator Windows keeps, and its terminator
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 4) > 0) return text;
    return fallback;
}

// A digit's value, or -1. Besides European digits a user may type the Arabic-Indic ones
// of an Arabic keyboard, the Extended Arabic-Indic ones of Persian and Urdu, and the
// full-width ones an East Asian input method gives.
int DigitValue(wchar_t c) {
    for (wchar_t zero : {L'0', L'\x0660', L'\x06F0', L'\xFF10'})
        if (c >= zero && c <= zero + 9) return c - zero;
    return -1;
}

bool IsDigit(wchar_t c) { return DigitValue(c) >= 0; }

// The full stop, or what an Arabic keyboard or a full-width input method types for it.
bool IsFullStop(wchar_t c) { return c == L'.' || c == L'\x066B' || c == L'\xFF0E'; }

}  // namespace

NumberSeparators UserNumberSeparators() {
    NumberSeparators separators = {UserLocaleText(LOCALE_SDECIMAL, L"."), UserLocaleText(LOCALE_STHOUSAND, L",")};
    if (separators.decimal.empty()) separators.decimal = L".";
    return separators;
}

std::wstring FormatLength(double value, const NumberSeparators& separators) {
    wchar_t text[64];
    // The program never changes the C locale: the point is a full stop.
    _snwprintf(text, 64, L"%.2f", value);
    text[63] = L'\0';
    std::wstring shown = text;
    const size_t point = shown.find(L'.');
    if (point != std::wstring::npos) shown.replace(point, 1, separators.decimal);
    return shown;
}

std::wstring UnitName(int units) { return LoadText(units == MetricUnits ? IDS_UNIT_MM : IDS_UNIT_IN); }

void CheckUnitButtons(HWND window, int units) {
    CheckRadioChoice(window, {IDC_METRIC, IDC_ENGLISH}, units);
}

void ShowUnitNames(HWND window, int units) {
    const std::wstring name = UnitName(units);
    SetDlgItemTextW(window, IDC_WIDTH_UNIT, name.c_str());
    SetDlgItemTextW(window, IDC_LENGTH_UNIT, name.c_str());
}

PaperSizeText FormatPaperSize(POINT size, int units, const NumberSeparators& separators) {
    const double per = units == MetricUnits ? 10.0 : 254.0;
    return {FormatLength(size.x / per, separators), FormatLength(size.y / per, separators), UnitName(units)};
}

bool MayDeleteForm(DWORD flags, bool canAdminister) { return flags == FORM_USER && canAdminister; }

bool IsDeletableUserForm(const std::vector<FormEntry>& forms, const std::wstring& paperName, bool canAdminister) {
    for (const FormEntry& form : forms)
        if (form.name == paperName) return MayDeleteForm(form.flags, canAdminister);
    return false;
}

std::optional<double> ParseLength(const std::wstring& text, const NumberSeparators& separators) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::nullopt;
    const size_t end = text.find_last_not_of(L" \t") + 1;
    std::wstring number;  // digits and a full stop, for the C locale's conversion
    bool marked = false;
    for (size_t at = first; at < end;) {
        if (IsDigit(text[at])) {
            number += static_cast<wchar_t>(L'0' + DigitValue(text[at++]));
            continue;
        }
        if (marked) return std::nullopt;
        marked = true;
        number += L'.';
        if (text.compare(at, separators.decimal.size(), separators.decimal) == 0) {
            at += separators.decimal.size();
        } else if (IsFullStop(text[at])) {
            ++at;
            if (separators.grouping == L"." && end - at == 3 &&
                std::all_of(text.begin() + at, text.begin() + end, IsDigit))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (number.find_first_of(L"0123456789") == std::wstring::npos) return std::nullopt;
    // The C runtime's conversion, not MinGW's (its strtod machinery would add 30 KB).
    return _wtof(number.c_str());
}

bool IsAcceptableNewForm(const std::wstring& name, double widthMm, double lengthMm,
                         const std::vector<FormEntry>& forms) {
    if (name.empty()) return false;
    for (const FormEntry& form : forms)
        if (form.name == name) return false;
    return widthMm >= MinFormWidthMm && widthMm <= MaxFormWidthMm && lengthMm >= MinFormLengthMm &&
           lengthMm <= MaxFormLengthMm;
}

double ToThousandthsOfMillimetre(double value, int units) {
    const double factor = units == EnglishUnits ? 254.0 : 10.0;
    return value * 100 * factor;
}
