// The device pages' logic that touches no window, and their shared unit controls.
#include <cwchar>
#include <cwctype>

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

std::wstring FormatLength(double value) {
    wchar_t text[64];
    _snwprintf(text, 64, L"%.2f", value);
    text[63] = L'\0';
    return text;
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

PaperSizeText FormatPaperSize(POINT size, int units) {
    if (units == MetricUnits) return {FormatLength(size.x / 10.0), FormatLength(size.y / 10.0), UnitName(units)};
    return {FormatLength(size.x / 254.0), FormatLength(size.y / 254.0), UnitName(units)};
}

bool MayDeleteForm(DWORD flags, bool canAdminister) { return flags == FORM_USER && canAdminister; }

bool IsDeletableUserForm(const std::vector<FormEntry>& forms, const std::wstring& paperName, bool canAdminister) {
    for (const FormEntry& form : forms)
        if (form.name == paperName) return MayDeleteForm(form.flags, canAdminister);
    return false;
}

double ParseLeadingNumber(const wchar_t* text) {
    const wchar_t* p = text;
    while (*p && iswspace(*p)) ++p;
    const wchar_t* start = p;
    if (*p == L'+' || *p == L'-') ++p;
    const wchar_t* digits = p;
    while (*p >= L'0' && *p <= L'9') ++p;
    bool any = p != digits;
    if (*p == L'.') {
        const wchar_t* fraction = ++p;
        while (*p >= L'0' && *p <= L'9') ++p;
        any = any || p != fraction;
    }
    if (!any) return 0;
    if (*p == L'e' || *p == L'E') {
        const wchar_t* exponent = p + 1;
        if (*exponent == L'+' || *exponent == L'-') ++exponent;
        if (*exponent >= L'0' && *exponent <= L'9') {
            p = exponent;
            while (*p >= L'0' && *p <= L'9') ++p;
        }
    }
    // Only digits, sign, point and exponent reach the conversion; the program never
    // changes the C locale, so the point is a full stop.
    std::wstring number(start, p);
    return wcstod(number.c_str(), nullptr);
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
