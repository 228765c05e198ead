// "Security": passwords, allowed actions and the encryption level of the profile.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "base/accessible_names.h"
#include "base/page_helpers.h"
#include "pdf/password_cipher.h"
#include "pdf/profile_sheet.h"
#include "res/resource.h"

namespace {

struct SecurityFlag {
    int controlId;
    int PdfProfile::*field;
};

// The check boxes and the flag each one shows.
const SecurityFlag SecurityFlags[] = {
    {IDC_SECURITY_ENABLE, &PdfProfile::securityEnabled},
    {IDC_USER_PASSWORD_ENABLE, &PdfProfile::userPasswordEnabled},
    {IDC_OWNER_PASSWORD_ENABLE, &PdfProfile::ownerPasswordEnabled},
    {IDC_ALLOW_COPYING, &PdfProfile::allowCopying},
    {IDC_ALLOW_COMMENTING, &PdfProfile::allowCommenting},
    {IDC_ALLOW_CHANGING, &PdfProfile::allowChanging},
    {IDC_ALLOW_PRINTING, &PdfProfile::allowPrinting},
};

// Everything that "Enable PDF Security" governs, the password edits aside.
const int SecuredControls[] = {IDC_USER_PASSWORD_ENABLE, IDC_OWNER_PASSWORD_ENABLE, IDC_ALLOW_COPYING,
                               IDC_ALLOW_COMMENTING,     IDC_ALLOW_CHANGING,        IDC_ALLOW_PRINTING,
                               IDC_ENCRYPTION_LOW,       IDC_ENCRYPTION_HIGH};

void EnableControl(HWND page, int controlId, bool enabled) {
    EnableWindow(GetDlgItem(page, controlId), enabled ? TRUE : FALSE);
}

void UpdatePasswordEdits(HWND page) {
    const bool secured = EditedProfile.securityEnabled == 1;
    EnableControl(page, IDC_USER_PASSWORD, secured && EditedProfile.userPasswordEnabled == 1);
    EnableControl(page, IDC_OWNER_PASSWORD, secured && EditedProfile.ownerPasswordEnabled == 1);
}

void UpdateSecurityControls(HWND page) {
    for (int controlId : SecuredControls) EnableControl(page, controlId, EditedProfile.securityEnabled == 1);
    UpdatePasswordEdits(page);
}

// A stored level other than 0 or 1 checks neither button.
void ShowEncryptionLevel(HWND page) {
    CheckRadioChoice(page, {IDC_ENCRYPTION_LOW, IDC_ENCRYPTION_HIGH}, static_cast<int>(EditedProfile.encryptionLevel));
}

void InitSecurityPage(HWND page) {
    const int passwordLimit = static_cast<int>(PasswordUnits) - 1;
    SendDlgItemMessageW(page, IDC_USER_PASSWORD, EM_LIMITTEXT, passwordLimit, 0);
    SendDlgItemMessageW(page, IDC_OWNER_PASSWORD, EM_LIMITTEXT, passwordLimit, 0);
    SetDlgItemTextW(page, IDC_USER_PASSWORD, EditedProfile.userPassword);
    SetDlgItemTextW(page, IDC_OWNER_PASSWORD, EditedProfile.ownerPassword);
    for (const SecurityFlag& flag : SecurityFlags)
        CheckDlgButton(page, flag.controlId, static_cast<UINT>(EditedProfile.*flag.field));
    ShowEncryptionLevel(page);
    UpdateSecurityControls(page);
    // For screen readers: the password boxes follow check boxes, which the system does
    // not take for their labels.
    SetAccessibleNames(page, {{IDC_USER_PASSWORD, IDS_USER_PASSWORD_NAME, 0}, {IDC_OWNER_PASSWORD, IDS_OWNER_PASSWORD_NAME, 0}});
}

void OnSecurityClick(HWND page, int controlId) {
    for (const SecurityFlag& flag : SecurityFlags) {
        if (flag.controlId != controlId) continue;
        EditedProfile.*flag.field = static_cast<int>(CheckBoxValue(page, controlId));
        if (controlId == IDC_SECURITY_ENABLE)
            UpdateSecurityControls(page);
        else
            UpdatePasswordEdits(page);
        return;
    }
    if (controlId == IDC_ENCRYPTION_LOW || controlId == IDC_ENCRYPTION_HIGH) {
        EditedProfile.encryptionLevel = controlId == IDC_ENCRYPTION_HIGH ? 1 : 0;
        ShowEncryptionLevel(page);
    }
}

// The passwords are taken whether their edits are enabled or not, once the user has
// edited them.
LRESULT ApplySecurityPage(HWND page) {
    for (auto [controlId, password] : {std::pair{IDC_USER_PASSWORD, EditedProfile.userPassword},
                                       std::pair{IDC_OWNER_PASSWORD, EditedProfile.ownerPassword}}) {
        if (SendDlgItemMessageW(page, controlId, EM_GETMODIFY, 0, 0))
            GetDlgItemTextW(page, controlId, password, static_cast<int>(PasswordUnits));
    }
    return PSNRET_NOERROR;
}

}  // namespace

INT_PTR CALLBACK SecurityPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitSecurityPage(page);
            return TRUE;
        case WM_COMMAND:
            ChooseRadioReachedByArrow(page, wParam);
            if (HIWORD(wParam) == BN_CLICKED) OnSecurityClick(page, LOWORD(wParam));
            return FALSE;
        case WM_NOTIFY:
            return OnProfilePageNotify(page, *reinterpret_cast<NMHDR*>(lParam), ApplySecurityPage);
    }
    return FALSE;
}
