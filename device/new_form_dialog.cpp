// The New Paper Form dialog: name, width and length of a user form, accepted only
// when the name is new to the print server and the sizes lie within the limits.
// It hands the form back in NewPaperForm; the Paper page adds it.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/page_helpers.h"
#include "base/texts.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "res/resource.h"

namespace {

// Survives between runs of the dialog, but each opening follows the locale again.
int NewFormUnits = MetricUnits;
// Read again at each opening, as the unit.
NumberSeparators Separators;
constexpr int EntryUnits = 32;

std::wstring EntryText(HWND dialog, int id) {
    wchar_t text[EntryUnits] = {};
    GetDlgItemTextW(dialog, id, text, EntryUnits);
    return text;
}

std::optional<double> EntryNumber(HWND dialog, int id) { return ParseLength(EntryText(dialog, id), Separators); }

// Judges the entries against the print server's forms, read afresh each time so that
// a form added meanwhile counts; enables "OK" only for acceptable entries.
bool ValidateNewForm(HWND dialog) {
    std::wstring name = EntryText(dialog, IDC_FORM_NAME);
    const std::optional<double> width = EntryNumber(dialog, IDC_PAPER_WIDTH);
    const std::optional<double> length = EntryNumber(dialog, IDC_PAPER_LENGTH);
    bool acceptable = false;
    if (width && length) {
        const double perUnit = NewFormUnits == EnglishUnits ? 25.4 : 1;
        std::vector<FormEntry> forms;
        if (UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_USE)) forms = ReadForms(printer.get());
        acceptable = IsAcceptableNewForm(name, *width * perUnit, *length * perUnit, forms);
    }
    EnableWindow(GetDlgItem(dialog, IDOK), acceptable);
    return acceptable;
}

void ShowRange(HWND dialog, int id, int smallest, int largest) {
    SetDlgItemTextW(dialog, id, FormatText(IDS_SIZE_RANGE, smallest, largest).c_str());
}

// The unit and range labels of the edits: the limits in millimetres, or the whole
// inches within them.
void ShowUnitLabels(HWND dialog, bool english) {
    ShowUnitNames(dialog, english ? EnglishUnits : MetricUnits);
    ShowRange(dialog, IDC_WIDTH_RANGE, english ? 1 : 25, english ? 33 : 841);
    ShowRange(dialog, IDC_LENGTH_RANGE, english ? 1 : 25, english ? 46 : 1189);
}

// Converts an entered size to the other unit, rounded to two decimals as shown; an
// entry that is no length stays as typed.
void ConvertEntry(HWND dialog, int id, bool toEnglish) {
    if (const std::optional<double> value = EntryNumber(dialog, id))
        SetDlgItemTextW(dialog, id, FormatLength(toEnglish ? *value / 25.4 : *value * 25.4, Separators).c_str());
}

void ConvertFormUnits(HWND dialog, bool toEnglish) {
    ShowUnitLabels(dialog, toEnglish);
    ConvertEntry(dialog, IDC_PAPER_WIDTH, toEnglish);
    ConvertEntry(dialog, IDC_PAPER_LENGTH, toEnglish);
}

void InitNewFormDialog(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_FORM_NAME, EM_LIMITTEXT, EntryUnits - 1, 0);
    ReadLeftToRight(dialog, {IDC_PAPER_WIDTH, IDC_PAPER_LENGTH});
    NewFormUnits = UserMeasurementSystem(NewFormUnits);
    Separators = UserNumberSeparators();
    CheckUnitButtons(dialog, NewFormUnits);
    // Labelled from the start: "mm" beside sizes read as inches would mislead.
    ShowUnitLabels(dialog, NewFormUnits == EnglishUnits);
    ValidateNewForm(dialog);
}

void SwitchUnits(HWND dialog, int units) {
    if (NewFormUnits == units) return;
    ConvertFormUnits(dialog, units == EnglishUnits);
    NewFormUnits = units;
    CheckUnitButtons(dialog, NewFormUnits);
    ValidateNewForm(dialog);
}

void AcceptNewForm(HWND dialog) {
    // Enter in an edit must not get past a disabled "OK".
    if (!IsWindowEnabled(GetDlgItem(dialog, IDOK))) return;
    GetDlgItemTextW(dialog, IDC_FORM_NAME, NewPaperForm.name, EntryUnits);
    // An enabled "OK" has two lengths to read.
    NewPaperForm.width = ToThousandthsOfMillimetre(EntryNumber(dialog, IDC_PAPER_WIDTH).value_or(0), NewFormUnits);
    NewPaperForm.length = ToThousandthsOfMillimetre(EntryNumber(dialog, IDC_PAPER_LENGTH).value_or(0), NewFormUnits);
    EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK NewFormDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitNewFormDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            ChooseRadioReachedByArrow(dialog, wParam);
            switch (LOWORD(wParam)) {
                case IDOK:
                    AcceptNewForm(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_METRIC:
                    if (HIWORD(wParam) == BN_CLICKED) SwitchUnits(dialog, MetricUnits);
                    break;
                case IDC_ENGLISH:
                    if (HIWORD(wParam) == BN_CLICKED) SwitchUnits(dialog, EnglishUnits);
                    break;
                case IDC_FORM_NAME:
                case IDC_PAPER_WIDTH:
                case IDC_PAPER_LENGTH:
                    if (HIWORD(wParam) == EN_CHANGE) ValidateNewForm(dialog);
                    break;
            }
            return FALSE;
    }
    return FALSE;
}
