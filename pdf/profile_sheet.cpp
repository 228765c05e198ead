// The "PDF Profile Properties" sheet itself: its pages, its callback and the working copy.
#include "pdf/profile_sheet.h"

#include <commctrl.h>

#include <vector>

#include "base/globals.h"
#include "base/page_helpers.h"
#include "res/resource.h"

PdfProfile EditedProfile = MakeDefaultProfile();

namespace {

// In sheet order; the pages keep their templates' captions.
const PageSlot ProfilePages[] = {
    {IDD_PROFILE_DESCRIPTION, DescriptionPageProc, 0},
    {IDD_PROFILE_SECURITY, SecurityPageProc, 0},
    {IDD_PROFILE_ADVANCED, AdvancedPageProc, 0},
};

}  // namespace

void DiscardEditedProfile() {
    SecureZeroMemory(&EditedProfile, sizeof EditedProfile);
    EditedProfile = MakeDefaultProfile();
}

bool RunProfileProperties(HWND owner) {
    std::vector<HPROPSHEETPAGE> pages =
        CreatePages(std::vector<PageSlot>(std::begin(ProfilePages), std::end(ProfilePages)));
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = AppInstance;
    header.pszCaption = MAKEINTRESOURCEW(IDS_PROFILE_SHEET_CAPTION);  // loaded from hInstance
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    header.nStartPage = 0;
    header.pfnCallback = ProfileSheetCallback;
    // OK gives a positive result, Cancel and the close box 0. -1 means the sheet could
    // not run or was ended by WM_QUIT: nothing was confirmed then either.
    return PropertySheetW(&header) > 0;
}

int CALLBACK ProfileSheetCallback(HWND, UINT message, LPARAM lParam) {
    // No "?" in the title bar; the sheet opens where the system puts an owned window.
    if (message == PSCB_PRECREATE && lParam) ChangeTemplateStyle(reinterpret_cast<void*>(lParam), DS_CONTEXTHELP, 0);
    return 0;
}

INT_PTR OnProfilePageNotify(HWND page, const NMHDR& notification, LRESULT (*apply)(HWND page)) {
    if (notification.code != PSN_APPLY) return FALSE;
    SetWindowLongPtrW(page, DWLP_MSGRESULT, apply(page));
    return TRUE;
}

int JpegQualityItem(int quality) {
    // C++ division truncates toward zero: -1 to -9 leave a negative remainder and stand
    // for the item "0".
    if (quality % JpegQualityStep > 0) return -1;
    int item = quality / JpegQualityStep;
    return item >= 0 && item <= MaxJpegQuality / JpegQualityStep ? item : -1;
}

int JpegQualityFromText(bool isNumber, int number) {
    return isNumber ? number : 0;
}

bool IsAcceptedJpegQuality(int quality) {
    return quality >= 0 && quality <= MaxJpegQuality;
}
