// The General page, the Paper page and the New Paper Form dialog: their dialog
// procedures, the state they share with the sheet (the orientation pictures, whether
// forms may be changed), their logic that touches no window, and the unit controls of
// the last two.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/handles.h"
#include "device/printer_access.h"

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PaperPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The Paper page's "Add" runs it modally.
INT_PTR CALLBACK NewFormDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// General page.

// Bitmaps 117 and 118, the orientation pictures at 100 %; loaded while a sheet is open.
extern UniqueBitmap PortraitBitmap;
extern UniqueBitmap LandscapeBitmap;
// Loads both from AppInstance for as long as it lives (the sheet's scope holds one).
class OrientationBitmaps {
public:
    OrientationBitmaps();
    ~OrientationBitmaps();
    OrientationBitmaps(const OrientationBitmaps&) = delete;
    OrientationBitmaps& operator=(const OrientationBitmaps&) = delete;
};

// "%d x %d DPI", with the name of the two FAX resolutions appended; at most 63 units.
std::wstring ResolutionText(LONG horizontal, LONG vertical);

// Where a picture of `width` by `height` goes to sit in the middle of `area`.
POINT CenteredPicturePosition(const RECT& area, int width, int height);

// Paper page and New Paper Form dialog.

// May this user change the printer's forms: asked when the Paper page starts.
extern BOOL CanAdministerPrinter;

enum PaperUnit { MetricUnits = 0, EnglishUnits = 1 };

// The user's measurement system (0 metric, 1 U.S.), or `current` when it cannot be read.
int UserMeasurementSystem(int current);

// The user's decimal and grouping separators (each at most three units), as Windows
// keeps them for the user, a Control Panel override included.
struct NumberSeparators {
    std::wstring decimal;
    std::wstring grouping;
};
// ".", "," when they cannot be read.
NumberSeparators UserNumberSeparators();

// A length with two decimals and the user's decimal separator, never grouped, as both
// dialogs show it.
std::wstring FormatLength(double value, const NumberSeparators& separators);

// Width and length of a paper listed in tenths of a millimetre, in the given unit.
struct PaperSizeText {
    std::wstring width;
    std::wstring length;
    std::wstring unit;  // "mm" or "in"
};
PaperSizeText FormatPaperSize(POINT tenthsOfMillimetre, int units, const NumberSeparators& separators);

// "mm" or "in".
std::wstring UnitName(int units);

// The unit's radio button checked (the other cleared), and the unit's name beside both
// sizes: the Paper page and the New Paper Form dialog have the same controls for them.
void CheckUnitButtons(HWND window, int units);
void ShowUnitNames(HWND window, int units);

// A form of these flags may be deleted by this user: a user form, and the right to
// administer the printer.
bool MayDeleteForm(DWORD flags, bool canAdminister);

// "Delete" is offered only for a user form of that exact name, and only to a user
// who may administer the printer.
bool IsDeletableUserForm(const std::vector<FormEntry>& forms, const std::wstring& paperName, bool canAdminister);

// A length as the user types it: digits with at most one decimal mark, and white space
// around them; nothing when the text is anything else (a sign, an exponent, a unit, a
// grouping separator). Digits are European, Arabic-Indic or full-width. The mark is the
// user's decimal separator or a full stop (also the Arabic decimal separator and the
// full-width stop); a full stop that is also the user's grouping separator is refused
// before exactly three closing digits ("1.189" may mean 1189 to a German user), where it
// could group.
std::optional<double> ParseLength(const std::wstring& text, const NumberSeparators& separators);

// Limits of a new form in millimetres, both inclusive.
inline constexpr double MinFormWidthMm = 25, MaxFormWidthMm = 841;
inline constexpr double MinFormLengthMm = 25, MaxFormLengthMm = 1189;

// A new form needs a name that no form of the print server has (exact, case-sensitive)
// and sizes within the limits.
bool IsAcceptableNewForm(const std::wstring& name, double widthMm, double lengthMm,
                         const std::vector<FormEntry>& forms);

// An entered size in thousandths of a millimetre: value x 100 x (254 for inches, 10 for mm).
double ToThousandthsOfMillimetre(double value, int units);

// The New Paper Form dialog's result for the Paper page.
struct NewFormResult {
    wchar_t name[32];
    double width;   // thousandths of a millimetre
    double length;
};
extern NewFormResult NewPaperForm;
