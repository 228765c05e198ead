#include "pdf/transfer_dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "base/globals.h"
#include "base/late_binding.h"
#include "base/page_helpers.h"
#include "base/texts.h"
#include "res/resource.h"

namespace {

struct ConflictRequest {
    const std::wstring* name;
    const std::wstring* copyName;
    ConflictAnswer* answer;
};

constexpr DWORD PathCapacity = 32768;  // the longest path Windows knows

}  // namespace

INT_PTR CALLBACK ExportDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* choice = reinterpret_cast<const ExportDialogChoice*>(lParam);
            EnableWindow(GetDlgItem(dialog, IDC_EXPORT_SELECTED), !choice->allProfiles);
            CheckRadioButton(dialog, IDC_EXPORT_SELECTED, IDC_EXPORT_ALL,
                             choice->allProfiles ? IDC_EXPORT_ALL : IDC_EXPORT_SELECTED);
            CheckDlgButton(dialog, IDC_EXPORT_PASSWORDS, choice->passwords ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dialog, IDC_EXPORT_PLAIN_VALUES, choice->plainValues ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* choice = reinterpret_cast<ExportDialogChoice*>(GetWindowLongPtrW(dialog, DWLP_USER));
                choice->allProfiles = IsDlgButtonChecked(dialog, IDC_EXPORT_ALL) == BST_CHECKED;
                choice->passwords = CheckBoxValue(dialog, IDC_EXPORT_PASSWORDS) != 0;
                choice->plainValues = CheckBoxValue(dialog, IDC_EXPORT_PLAIN_VALUES) != 0;
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK ConflictDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* request = reinterpret_cast<const ConflictRequest*>(lParam);
            SetDlgItemTextW(dialog, IDC_CONFLICT_TEXT,
                            FormatText(IDS_IMPORT_CONFLICT, request->name->c_str(), request->copyName->c_str()).c_str());
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            auto* request = reinterpret_cast<ConflictRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
            MergeChoice choice;
            switch (id) {
                case IDC_CONFLICT_REPLACE: choice = MergeChoice::Replace; break;
                case IDC_CONFLICT_KEEP_BOTH: choice = MergeChoice::KeepBoth; break;
                case IDC_CONFLICT_SKIP: choice = MergeChoice::Skip; break;
                case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                default: return FALSE;
            }
            request->answer->choice = choice;
            request->answer->forAll = CheckBoxValue(dialog, IDC_CONFLICT_FOR_ALL) != 0;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
    }
    return FALSE;
}

bool AskExportChoice(HWND owner, bool haveSelection, ExportDialogChoice& choice) {
    choice.allProfiles = !haveSelection;
    return DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_EXPORT_PROFILES), owner, ExportDialogProc,
                           reinterpret_cast<LPARAM>(&choice)) == IDOK;
}

bool AskConflictAnswer(HWND owner, const std::wstring& name, const std::wstring& copyName, ConflictAnswer& answer) {
    ConflictRequest request{&name, &copyName, &answer};
    return DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_IMPORT_CONFLICT), owner, ConflictDialogProc,
                           reinterpret_cast<LPARAM>(&request)) == IDOK;
}

bool ChooseSettingsFile(HWND owner, bool forSaving, std::wstring& path) {
    static const auto getSaveFileName =
        BindEntryPoint<decltype(&GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
    static const auto getOpenFileName =
        BindEntryPoint<decltype(&GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    const auto run = forSaving ? getSaveFileName : getOpenFileName;
    if (!run) return false;
    std::vector<wchar_t> buffer(PathCapacity, L'\0');
    if (forSaving) {
        const std::wstring proposed = LoadText(IDS_SETTINGS_FILE_NAME);
        proposed.copy(buffer.data(), std::min<size_t>(proposed.size(), PathCapacity - 1));
    }
    const std::wstring filter = LoadFileFilter(IDS_SETTINGS_FILE_FILTER);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = buffer.data();
    request.nMaxFile = PathCapacity;
    request.lpstrDefExt = L"lpsettings";
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES | OFN_NOCHANGEDIR |
                    (forSaving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!run(&request)) return false;
    path = buffer.data();
    return true;
}
