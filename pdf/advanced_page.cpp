// "Advanced": compression, JPEG quality, PDF version, page layout and mode.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "base/page_helpers.h"
#include "pdf/profile_sheet.h"
#include "res/resource.h"

namespace {

constexpr int ImagesCompressionJpeg = 1;

// Whether the user chose or typed a JPEG quality: a stored one left alone is kept as it
// is, also one the list cannot show.
bool JpegQualityEdited = false;

struct ChoiceList {
    int controlId;
    int PdfProfile::*field;
    UINT firstItemId;  // the items are consecutive strings of the string table
    int itemCount;
};

// The drop-down lists: an item's position is the stored value.
const ChoiceList ChoiceLists[] = {
    {IDC_PAGE_LAYOUT, &PdfProfile::pageLayout, IDS_PAGE_LAYOUTS, 4},
    {IDC_PAGE_MODE, &PdfProfile::pageMode, IDS_PAGE_MODES, 4},
    {IDC_DOCUMENT_COMPRESSION, &PdfProfile::documentCompression, IDS_DOCUMENT_COMPRESSIONS, 2},
    {IDC_IMAGES_COMPRESSION, &PdfProfile::imagesCompression, IDS_IMAGES_COMPRESSIONS, 5},
    {IDC_PDF_VERSION, &PdfProfile::pdfVersion, IDS_PDF_VERSIONS, 2},
};

void EnableJpegQuality(HWND page, bool enabled) {
    EnableWindow(GetDlgItem(page, IDC_JPEG_QUALITY), enabled ? TRUE : FALSE);
}

void ShowJpegQuality(HWND page, int quality) {
    int item = JpegQualityItem(quality);
    if (item >= 0) {
        SendDlgItemMessageW(page, IDC_JPEG_QUALITY, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    } else {
        wchar_t text[16];
        _snwprintf(text, ARRAYSIZE(text), L"%d", quality);
        text[ARRAYSIZE(text) - 1] = L'\0';
        SetDlgItemTextW(page, IDC_JPEG_QUALITY, text);
    }
}

void InitAdvancedPage(HWND page) {
    JpegQualityEdited = false;
    for (const ChoiceList& list : ChoiceLists)
        AddTextItems(GetDlgItem(page, list.controlId), list.firstItemId, list.itemCount);
    for (int quality = 0; quality <= MaxJpegQuality; quality += JpegQualityStep) {
        wchar_t text[8];
        _snwprintf(text, ARRAYSIZE(text), L"%d", quality);
        text[ARRAYSIZE(text) - 1] = L'\0';
        SendDlgItemMessageW(page, IDC_JPEG_QUALITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    // A stored value without an item selects nothing and stays as it is.
    for (const ChoiceList& list : ChoiceLists)
        SendDlgItemMessageW(page, list.controlId, CB_SETCURSEL, static_cast<WPARAM>(EditedProfile.*list.field), 0);
    ShowJpegQuality(page, EditedProfile.jpegQuality);
    EnableJpegQuality(page, EditedProfile.imagesCompression != 0);
    CheckDlgButton(page, IDC_ALTERNATE_EMF, static_cast<UINT>(EditedProfile.alternateEmfRendering));
}

void OnChoiceMade(HWND page, int controlId) {
    LRESULT position = SendDlgItemMessageW(page, controlId, CB_GETCURSEL, 0, 0);
    if (position == CB_ERR) return;
    if (controlId == IDC_JPEG_QUALITY) {
        JpegQualityEdited = true;
        EditedProfile.jpegQuality = static_cast<int>(position) * JpegQualityStep;
        return;
    }
    for (const ChoiceList& list : ChoiceLists) {
        if (list.controlId == controlId) EditedProfile.*list.field = static_cast<int>(position);
    }
    // Once chosen here, the CCITT methods take no quality.
    if (controlId == IDC_IMAGES_COMPRESSION)
        EnableJpegQuality(page, EditedProfile.imagesCompression == ImagesCompressionJpeg);
}

// The box's text as a quality; false when it lies outside 0 to 100.
bool ReadJpegQuality(HWND page, int& quality) {
    BOOL isNumber = FALSE;
    int number = static_cast<int>(GetDlgItemInt(page, IDC_JPEG_QUALITY, &isNumber, TRUE));
    quality = JpegQualityFromText(isNumber != FALSE, number);
    return IsAcceptedJpegQuality(quality);
}

void OnJpegQualityTyped(HWND page) {
    JpegQualityEdited = true;
    int quality;
    // An out-of-range text stays as typed; OK will not accept it.
    EditedProfile.jpegQuality = ReadJpegQuality(page, quality) ? quality : FallbackJpegQuality;
}

LRESULT ApplyAdvancedPage(HWND page) {
    int quality;
    if (!JpegQualityEdited) return PSNRET_NOERROR;
    if (ReadJpegQuality(page, quality)) {
        EditedProfile.jpegQuality = quality;
        return PSNRET_NOERROR;
    }
    EditedProfile.jpegQuality = FallbackJpegQuality;
    ShowJpegQuality(page, FallbackJpegQuality);
    return PSNRET_INVALID;
}

void OnAdvancedCommand(HWND page, int controlId, int code) {
    if (code == CBN_SELENDOK) {
        OnChoiceMade(page, controlId);
    } else if (code == CBN_EDITCHANGE && controlId == IDC_JPEG_QUALITY) {
        OnJpegQualityTyped(page);
    } else if (code == BN_CLICKED && controlId == IDC_ALTERNATE_EMF) {
        EditedProfile.alternateEmfRendering = static_cast<int>(CheckBoxValue(page, IDC_ALTERNATE_EMF));
    }
}

}  // namespace

INT_PTR CALLBACK AdvancedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitAdvancedPage(page);
            return TRUE;
        case WM_COMMAND:
            OnAdvancedCommand(page, LOWORD(wParam), HIWORD(wParam));
            return FALSE;
        case WM_NOTIFY:
            return OnProfilePageNotify(page, *reinterpret_cast<NMHDR*>(lParam), ApplyAdvancedPage);
    }
    return FALSE;
}
