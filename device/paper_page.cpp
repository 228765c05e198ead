// The Paper page: the printer's paper, chosen from the papers the driver lists, its
// size in millimetres or inches, and adding and deleting user forms on the print
// server (which take effect at once, outside the apply).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/globals.h"
#include "base/messages.h"
#include "base/page_helpers.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "res/resource.h"
#include "settings/settings.h"

BOOL CanAdministerPrinter = TRUE;

namespace {

// The driver's three parallel lists; the count is that of the paper numbers.
std::vector<WORD> PaperNumbers;
std::vector<std::wstring> PaperNames;
std::vector<POINT> PaperSizes;
std::vector<FormEntry> Forms;
int PaperUnits = MetricUnits;
NumberSeparators Separators;  // the user's, read at each opening of the page
bool PaperPageChanged = false;

// The name and size lists may be shorter than the number list: a paper without a
// name shows an empty one, a paper without a size shows no size.
const wchar_t* PaperNameAt(size_t index) { return index < PaperNames.size() ? PaperNames[index].c_str() : L""; }

void FreePaperLists() {
    PaperNumbers.clear();
    PaperNames.clear();
    PaperSizes.clear();
    Forms.clear();
}

LRESULT SelectedPaper(HWND page) { return SendDlgItemMessageW(page, IDC_PAPER_LIST, CB_GETCURSEL, 0, 0); }

void ShowPaperSize(HWND page, size_t index) {
    ShowUnitNames(page, PaperUnits);
    if (index >= PaperSizes.size()) {
        SetDlgItemTextW(page, IDC_PAPER_WIDTH, L"");
        SetDlgItemTextW(page, IDC_PAPER_LENGTH, L"");
        return;
    }
    PaperSizeText text = FormatPaperSize(PaperSizes[index], PaperUnits, Separators);
    SetDlgItemTextW(page, IDC_PAPER_WIDTH, text.width.c_str());
    SetDlgItemTextW(page, IDC_PAPER_LENGTH, text.length.c_str());
}

void UpdateDeleteButton(HWND page, size_t index) {
    EnableWindow(GetDlgItem(page, IDC_DELETE_FORM),
                 IsDeletableUserForm(Forms, PaperNameAt(index), CanAdministerPrinter != FALSE));
}

void SelectPaper(HWND page, size_t index) {
    SendDlgItemMessageW(page, IDC_PAPER_LIST, CB_SETCURSEL, index, 0);
    ShowPaperSize(page, index);
    UpdateDeleteButton(page, index);
}

// Reads every list again and selects the paper stored in the printer's device mode.
void FillPaperList(HWND page) {
    FreePaperLists();
    SendDlgItemMessageW(page, IDC_PAPER_LIST, CB_RESETCONTENT, 0, 0);
    SetDlgItemTextW(page, IDC_PAPER_WIDTH, L"");
    SetDlgItemTextW(page, IDC_PAPER_LENGTH, L"");
    UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_USE);
    if (!printer) {
        EnumChildWindows(page, DisableChildWindow, 0);
        return;
    }
    const WORD current = ReadCurrentPaper(printer.get());
    PaperNumbers = ReadPaperNumbers();
    if (!PaperNumbers.empty()) {
        PaperNames = ReadPaperNames();
        PaperSizes = ReadPaperSizes();
    }
    Forms = ReadForms(printer.get());
    for (size_t i = 0; i < PaperNumbers.size(); ++i) {
        SendDlgItemMessageW(page, IDC_PAPER_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PaperNameAt(i)));
        // Every match is taken: the last paper with the stored number stays selected.
        if (PaperNumbers[i] == current) SelectPaper(page, i);
    }
}

void SetUnits(HWND page, int units) {
    PaperUnits = units;
    CheckUnitButtons(page, PaperUnits);
    LRESULT selected = SelectedPaper(page);
    if (selected != CB_ERR) ShowPaperSize(page, static_cast<size_t>(selected));
}

void InitPaperPage(HWND page) {
    PaperPageChanged = false;
    ReadLeftToRight(page, {IDC_PAPER_WIDTH, IDC_PAPER_LENGTH});
    // Asked here, where it is needed, rather than when the sheet starts: a sheet that
    // opens on a page without printer settings then never loads the spooler.
    CanAdministerPrinter = ProbePrinterAdministration() ? TRUE : FALSE;
    PaperUnits = UserMeasurementSystem(PaperUnits);
    Separators = UserNumberSeparators();
    CheckUnitButtons(page, PaperUnits);
    if (!CanAdministerPrinter) {
        EnableWindow(GetDlgItem(page, IDC_ADD_FORM), FALSE);
        EnableWindow(GetDlgItem(page, IDC_DELETE_FORM), FALSE);
    }
    FillPaperList(page);
}

void OnPaperChosen(HWND page) {
    LRESULT selected = SelectedPaper(page);
    if (selected == CB_ERR) return;
    ShowPaperSize(page, static_cast<size_t>(selected));
    UpdateDeleteButton(page, static_cast<size_t>(selected));
    MarkPageChanged(page, PaperPageChanged);
}

// Stores paper `index` as the printer's paper; "Delete" then follows whether its form
// may be deleted.
// False when the paper could not be stored, which the user has been told (a failure
// without a code cannot be told, and counts as done, as the General page's).
bool StorePaper(HWND page, size_t index) {
    bool formDeletable = false;
    Failure failure;
    if (!ApplyPaper(static_cast<short>(PaperNumbers[index]), PaperNameAt(index), formDeletable, failure))
        return ShowFailure(failure, nullptr) == 0;
    EnableWindow(GetDlgItem(page, IDC_DELETE_FORM), formDeletable);
    return true;
}

void OnAddForm(HWND page) {
    NewPaperForm = {};
    if (DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_NEW_FORM), page, NewFormDialogProc, 0) != IDOK) return;
    {
        UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_ADMINISTER);
        if (!printer) return;
        // Whole thousandths of a millimetre, truncated toward zero.
        if (!AddUserForm(printer.get(), NewPaperForm.name, static_cast<LONG>(NewPaperForm.width),
                         static_cast<LONG>(NewPaperForm.length))) {
            ShowFailure({IDS_ADD_FORM_FAILED, GetLastError()}, nullptr);
            return;
        }
    }
    FillPaperList(page);
    // Whether the driver lists the new form is the driver's business.
    for (size_t i = 0; i < PaperNumbers.size(); ++i) {
        if (PaperNameAt(i) == std::wstring(NewPaperForm.name)) {
            SelectPaper(page, i);
            MarkPageChanged(page, PaperPageChanged);
            break;
        }
    }
}

void OnDeleteForm(HWND page) {
    LRESULT selected = SelectedPaper(page);
    if (selected == CB_ERR) return;
    {
        UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_ADMINISTER);
        if (!printer) return;
        if (!DeleteNamedForm(printer.get(), PaperNameAt(static_cast<size_t>(selected)))) {
            ShowFailure({IDS_DELETE_FORM_FAILED, GetLastError()}, nullptr);
            return;
        }
    }
    FillPaperList(page);
    // The deleted form was the stored paper: the first paper is stored in its place now.
    if (SelectedPaper(page) == CB_ERR && !PaperNumbers.empty()) {
        StorePaper(page, 0);
        SelectPaper(page, 0);
    }
    MarkPageChanged(page, PaperPageChanged);
}

// A failed write is told, and the page stays changed until it is stored.
bool ApplyPaperPage(HWND page) {
    LRESULT selected = SelectedPaper(page);
    if (selected == CB_ERR || static_cast<size_t>(selected) >= PaperNumbers.size()) return true;
    return StorePaper(page, static_cast<size_t>(selected));
}

}  // namespace

INT_PTR CALLBACK PaperPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitPaperPage(page);
            return TRUE;
        case WM_COMMAND:
            ChooseRadioReachedByArrow(page, wParam);
            switch (LOWORD(wParam)) {
                case IDC_PAPER_LIST:
                    if (HIWORD(wParam) == CBN_SELENDOK) OnPaperChosen(page);
                    break;
                case IDC_METRIC:
                    if (HIWORD(wParam) == BN_CLICKED) SetUnits(page, MetricUnits);
                    break;
                case IDC_ENGLISH:
                    if (HIWORD(wParam) == BN_CLICKED) SetUnits(page, EnglishUnits);
                    break;
                case IDC_ADD_FORM:
                    if (HIWORD(wParam) == BN_CLICKED) OnAddForm(page);
                    break;
                case IDC_DELETE_FORM:
                    if (HIWORD(wParam) == BN_CLICKED) OnDeleteForm(page);
                    break;
            }
            return FALSE;
        case WM_NOTIFY:
            return OnPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), Settings.LastViewedPage, PaperPageChanged, ApplyPaperPage);
        case WM_DESTROY:
            FreePaperLists();
            return FALSE;
    }
    return FALSE;
}
