// The EMF page: one check box, "Save to EMF", stored as "EMF: Enabled" in the user key.
#include <windows.h>
#include <commctrl.h>

#include "base/page_helpers.h"
#include "base/registry.h"
#include "handoff/handoff_pages.h"
#include "res/resource.h"
#include "settings/machine_values.h"
#include "settings/settings.h"

namespace {

bool EmfPageChanged = false;
// The value as the page showed it, or last stored it: two clicks change nothing.
DWORD EmfShown = 0;

void OnEmfClicked(HWND page) {
    Settings.EmfEnabled = IsDlgButtonChecked(page, IDC_EMF_SAVE);
    MarkPageChanged(page, EmfPageChanged);
}

// A failed write is told, and the page stays changed until the value is stored.
bool ApplyEmfPage(HWND) {
    if (Settings.EmfEnabled == EmfShown) return true;
    UniqueRegKey key;
    Failure failure;
    if (!CreateUserKey(key, failure)) {
        ShowFailure(failure, nullptr);
        return false;
    }
    NotStored notStored;
    const LONG status = WriteDwordValue(key.get(), ValueName::EmfEnabled, Settings.EmfEnabled);
    notStored.Add(ValueName::EmfEnabled, status);
    if (status == ERROR_SUCCESS) {
        EmfShown = Settings.EmfEnabled;
        Settings.Imported.Forget(ValueName::EmfEnabled);  // the user's own stands over an import's
    }
    return ShowNotStored(notStored, nullptr);
}

}  // namespace

INT_PTR CALLBACK EmfPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            // Each sheet starts clean: a change that an earlier sheet of this process
            // left unapplied (cancelled in a host's first call) is not this sheet's.
            EmfPageChanged = false;
            EmfShown = Settings.EmfEnabled;
            CheckDlgButton(page, IDC_EMF_SAVE, Settings.EmfEnabled);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_EMF_SAVE) OnEmfClicked(page);
            return FALSE;
        case WM_NOTIFY:
            return OnPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), Settings.LastViewedPage, EmfPageChanged, ApplyEmfPage);
        case PSM_QUERYSIBLINGS: {
            // An import's value is shown as what is stored: the import writes it.
            DWORD imported = 0;
            const StoredValue* value = Settings.Imported.Find(ValueName::EmfEnabled);
            if (wParam == SiblingsShowImported && value && ImportedNumber(*value, imported)) {
                EmfShown = Settings.EmfEnabled = imported;
                CheckDlgButton(page, IDC_EMF_SAVE, imported);
            }
            return FALSE;
        }
    }
    return FALSE;
}
