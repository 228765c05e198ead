// The EMF page: one check box, "Save to EMF", stored as "EMF: Enabled" in the user key.
#include <windows.h>
#include <commctrl.h>

#include "app/pages.h"
#include "app/sheet.h"
#include "res/resource.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace {

bool EmfPageChanged = false;

void OnEmfClicked(HWND page) {
    Settings.EmfEnabled = IsDlgButtonChecked(page, IDC_EMF_SAVE);
    MarkPageChanged(page, EmfPageChanged);
}

void ApplyEmfPage(HWND) {
    if (!EmfPageChanged) return;
    UniqueRegKey key;
    if (CreateUserKeyOrReport(key)) WriteDwordValue(key.get(), L"EMF: Enabled", Settings.EmfEnabled);
    // A failed write is not retried by the next apply.
    EmfPageChanged = false;
}

}  // namespace

INT_PTR CALLBACK EmfPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(page, IDC_EMF_SAVE, Settings.EmfEnabled);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_EMF_SAVE) OnEmfClicked(page);
            return FALSE;
        case WM_NOTIFY:
            return OnSettingsPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), ApplyEmfPage);
    }
    return FALSE;
}
