// The PDF page: "Save to PDF", two options for every profile, and the list of PDF
// profiles with New, Edit, Delete and Copy, and Export and Import of profiles and
// settings. Everything is kept in memory until the sheet applies; then the options the
// user changed, the difference of the profile list and what an import brought are written.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "base/accessible_names.h"
#include "base/messages.h"
#include "base/page_helpers.h"
#include "base/registry.h"
#include "base/texts.h"
#include "pdf/pdf_page.h"
#include "pdf/profile_sheet.h"
#include "pdf/profile_store.h"
#include "pdf/profile_transfer.h"
#include "pdf/transfer_dialogs.h"
#include "res/resource.h"
#include "settings/machine_values.h"
#include "settings/settings.h"

namespace {

bool PdfPageChanged = false;

// The page's three options as it showed them, or as it last stored them: an apply
// writes an option only when the user changed it.
struct PdfOptions {
    const wchar_t* valueName;
    DWORD SettingsBlock::*field;
    DWORD shown;
};
PdfOptions PdfOptionValues[] = {
    {ValueName::PdfEnabled, &SettingsBlock::PdfEnabled, 0},
    {ValueName::PdfSeparate, &SettingsBlock::PdfSeparate, 0},
    {ValueName::PdfDoNotEmbedFonts, &SettingsBlock::PdfDoNotEmbedFonts, 0},
};

enum class ProfileAction { New, Edit };

// The controls that "Save to PDF" governs; Edit and Delete also need a profile.
const int PdfOptionControls[] = {IDC_PDF_SEPARATE, IDC_PDF_NO_EMBED_FONTS, IDC_PDF_PROFILES_GROUP,
                                 IDC_PDF_PROFILE_LIST, IDC_PDF_NEW, IDC_PDF_IMPORT};
const int ProfileControls[] = {IDC_PDF_EDIT, IDC_PDF_DELETE, IDC_PDF_COPY, IDC_PDF_EXPORT};

LRESULT SendToList(HWND page, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(page, IDC_PDF_PROFILE_LIST, message, wParam, lParam);
}

void UpdatePdfControls(HWND page) {
    // Any non-zero value shows a ticked box, so it counts as on here too.
    const bool pdfOn = Settings.PdfEnabled != 0;
    for (int controlId : PdfOptionControls) EnableWindow(GetDlgItem(page, controlId), pdfOn ? TRUE : FALSE);
    const bool haveProfile = pdfOn && Settings.Profiles.Count() > 0;
    for (int controlId : ProfileControls) EnableWindow(GetDlgItem(page, controlId), haveProfile ? TRUE : FALSE);
}

void FillProfileList(HWND page) {
    for (int index = 0; index < Settings.Profiles.Count(); ++index)
        SendToList(page, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Settings.Profiles.At(index).name));
}

void SelectCurrentProfile(HWND page) { SendToList(page, LB_SETCURSEL, static_cast<WPARAM>(Settings.CurrentProfile)); }

void InitPdfPage(HWND page) {
    PdfPageChanged = false;
    for (PdfOptions& option : PdfOptionValues) option.shown = Settings.*option.field;
    CheckDlgButton(page, IDC_PDF_SAVE, Settings.PdfEnabled);
    CheckDlgButton(page, IDC_PDF_SEPARATE, Settings.PdfSeparate);
    CheckDlgButton(page, IDC_PDF_NO_EMBED_FONTS, Settings.PdfDoNotEmbedFonts);
    UpdatePdfControls(page);
    FillProfileList(page);
    SelectCurrentProfile(page);
    // For screen readers: the list's label is its group box, which the system does not take.
    SetAccessibleName(GetDlgItem(page, IDC_PDF_PROFILE_LIST), IDS_PROFILE_LIST_NAME, ROLE_SYSTEM_LIST);
}

// False when there was no memory for it; the user has been told.
bool MergeNewProfile(HWND page) {
    if (!Settings.Profiles.Append(EditedProfile)) {
        ShowFailure({IDS_ADD_PROFILE_FAILED, ERROR_NOT_ENOUGH_MEMORY}, nullptr);
        return false;
    }
    Settings.CurrentProfile = Settings.Profiles.Count() - 1;
    SendToList(page, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(EditedProfile.name));
    SelectCurrentProfile(page);
    return true;
}

void RefillProfileList(HWND page) {
    HWND list = GetDlgItem(page, IDC_PDF_PROFILE_LIST);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    FillProfileList(page);
    SelectCurrentProfile(page);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void MergeEditedProfile(HWND page) {
    Settings.Profiles.At(Settings.CurrentProfile) = EditedProfile;
    RefillProfileList(page);
}

// New and Edit: the sheet works on a copy that only OK merges into the list.
void RunProfileSheet(HWND page, ProfileAction action) {
    // After a deletion the current index may name no profile (one past the end, or an
    // empty list): there is nothing to edit then until the user picks an entry.
    if (action == ProfileAction::Edit && !Settings.Profiles.Contains(Settings.CurrentProfile)) return;

    DiscardEditedProfile();
    if (action == ProfileAction::Edit) EditedProfile = Settings.Profiles.At(Settings.CurrentProfile);
    // Owned by the main sheet as a whole: disabling only the page would leave the main
    // sheet's OK and Cancel usable while the profile is being edited.
    if (RunProfileProperties(GetAncestor(page, GA_ROOT))) {
        bool merged = true;
        if (action == ProfileAction::New)
            merged = MergeNewProfile(page);
        else
            MergeEditedProfile(page);
        if (merged) {
            UpdatePdfControls(page);
            MarkPageChanged(page, PdfPageChanged);
        }
    }
    DiscardEditedProfile();
}

void DeleteSelectedProfile(HWND page) {
    LRESULT selected = SendToList(page, LB_GETCURSEL);
    if (selected == LB_ERR) return;
    if (ShowPrinterMessage(IDS_DELETE_PROFILE_PROMPT, page, MB_YESNO) != IDYES) return;
    if (!Settings.Profiles.Remove(static_cast<int>(selected))) return;
    SendToList(page, LB_DELETESTRING, static_cast<WPARAM>(selected));
    // CurrentProfile stays: it now names the profile that moved up, or none.
    UpdatePdfControls(page);
    MarkPageChanged(page, PdfPageChanged);
}

// The copy comes at the end, selected and current, as a new profile does.
void CopySelectedProfile(HWND page) {
    const LRESULT selected = SendToList(page, LB_GETCURSEL);
    if (selected == LB_ERR) return;
    if (!CopyProfile(static_cast<int>(selected))) {
        ShowFailure({IDS_ADD_PROFILE_FAILED, ERROR_NOT_ENOUGH_MEMORY}, nullptr);
        return;
    }
    Settings.CurrentProfile = Settings.Profiles.Count() - 1;
    SendToList(page, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Settings.Profiles.At(Settings.CurrentProfile).name));
    SelectCurrentProfile(page);
    UpdatePdfControls(page);
    MarkPageChanged(page, PdfPageChanged);
}

// Writes the chosen profiles (and settings) to a file; the list and the registry stay
// as they are.
void ExportProfiles(HWND page) {
    HWND owner = GetAncestor(page, GA_ROOT);
    const LRESULT selected = SendToList(page, LB_GETCURSEL);
    ExportDialogChoice asked;
    if (!AskExportChoice(owner, selected != LB_ERR, asked)) return;
    std::wstring path;
    if (!ChooseSettingsFile(owner, true, path)) return;
    ExportChoice choice;
    if (asked.allProfiles) {
        for (int position = 0; position < Settings.Profiles.Count(); ++position) choice.positions.push_back(position);
    } else {
        choice.positions.push_back(static_cast<int>(selected));
    }
    choice.passwords = asked.passwords;
    choice.plainValues = asked.plainValues;
    SettingsFile file;
    std::wstring badName;
    if (!BuildExport(choice, file, badName)) {
        ShowMessageText(FormatText(IDS_EXPORT_NAME_UNWRITABLE, badName.c_str()), owner, MB_OK | MB_ICONERROR);
        return;
    }
    const DWORD status = WriteFileBytes(path, WriteSettingsFile(file));
    if (status != ERROR_SUCCESS) ShowErrorBox(FormatText(IDS_FILE_WRITE_FAILED, path.c_str()).c_str(), status, owner);
}

// The page's own options as an import left them: shown as stored, since the import
// writes them.
void ShowImportedOptions(HWND page) {
    for (PdfOptions& option : PdfOptionValues) {
        DWORD imported = 0;
        const StoredValue* value = Settings.Imported.Find(option.valueName);
        if (value && ImportedNumber(*value, imported)) option.shown = imported;
    }
    CheckDlgButton(page, IDC_PDF_SAVE, Settings.PdfEnabled);
    CheckDlgButton(page, IDC_PDF_SEPARATE, Settings.PdfSeparate);
    CheckDlgButton(page, IDC_PDF_NO_EMBED_FONTS, Settings.PdfDoNotEmbedFonts);
    UpdatePdfControls(page);
}

// Merges a settings file into the list, as the user answers for each name the list has;
// nothing is stored before the sheet applies.
void ImportProfiles(HWND page) {
    HWND owner = GetAncestor(page, GA_ROOT);
    std::wstring path;
    if (!ChooseSettingsFile(owner, false, path)) return;
    SettingsFile file;
    DWORD error = ERROR_SUCCESS;
    FileRefusal refusal;
    switch (ReadImportFile(path, file, error, refusal)) {
        case ImportRead::Read:
            break;
        case ImportRead::CannotRead:
            ShowErrorBox(FormatText(IDS_FILE_READ_FAILED, path.c_str()).c_str(), error, owner);
            return;
        case ImportRead::Refused:
            ShowMessageText(FormatText(IDS_FILE_REFUSED, path.c_str(), RefusalText(refusal).c_str()), owner,
                            MB_OK | MB_ICONERROR);
            return;
    }
    bool takePlainValues = false;
    if (file.hasPlainValues && !file.plainValues.empty()) {
        const int answer = ShowPrinterMessage(IDS_IMPORT_PLAIN_VALUES_PROMPT, owner, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        takePlainValues = answer == IDYES;
    }
    MergeCounts counts;
    const MergeResult merged = MergeFileProfiles(
        file,
        [owner](const std::wstring& name, const std::wstring& copyName, ConflictAnswer& answer) {
            return AskConflictAnswer(owner, name, copyName, answer);
        },
        counts);
    if (merged == MergeResult::Cancelled) return;
    if (merged == MergeResult::TooMany) {
        ShowMessageText(LoadText(IDS_IMPORT_TOO_MANY), owner, MB_OK | MB_ICONERROR);
        return;
    }
    if (merged == MergeResult::NoMemory) {
        ShowFailure({IDS_ADD_PROFILE_FAILED, ERROR_NOT_ENOUGH_MEMORY}, owner);
        return;
    }
    if (counts.added || counts.replaced) RefillProfileList(page);
    if (takePlainValues) {
        TakePlainValues(file);
        ShowImportedOptions(page);
        PropSheet_QuerySiblings(GetParent(page), SiblingsShowImported, 0);
    }
    UpdatePdfControls(page);
    if (counts.added || counts.replaced || takePlainValues) MarkPageChanged(page, PdfPageChanged);
}

void OnProfileSelected(HWND page) {
    LRESULT selected = SendToList(page, LB_GETCURSEL);
    if (selected == LB_ERR || selected == Settings.CurrentProfile) return;
    Settings.CurrentProfile = static_cast<int>(selected);
    MarkPageChanged(page, PdfPageChanged);
}

void OnPdfClick(HWND page, int controlId) {
    switch (controlId) {
        case IDC_PDF_SAVE:
            Settings.PdfEnabled = CheckBoxValue(page, IDC_PDF_SAVE);
            UpdatePdfControls(page);
            MarkPageChanged(page, PdfPageChanged);
            break;
        case IDC_PDF_SEPARATE:
            Settings.PdfSeparate = CheckBoxValue(page, IDC_PDF_SEPARATE);
            MarkPageChanged(page, PdfPageChanged);
            break;
        case IDC_PDF_NO_EMBED_FONTS:
            Settings.PdfDoNotEmbedFonts = CheckBoxValue(page, IDC_PDF_NO_EMBED_FONTS);
            MarkPageChanged(page, PdfPageChanged);
            break;
        case IDC_PDF_NEW:
            RunProfileSheet(page, ProfileAction::New);
            break;
        case IDC_PDF_EDIT:
            RunProfileSheet(page, ProfileAction::Edit);
            break;
        case IDC_PDF_DELETE:
            DeleteSelectedProfile(page);
            break;
        case IDC_PDF_COPY:
            CopySelectedProfile(page);
            break;
        case IDC_PDF_EXPORT:
            ExportProfiles(page);
            break;
        case IDC_PDF_IMPORT:
            ImportProfiles(page);
            break;
    }
}

INT_PTR OnPdfCommand(HWND page, int controlId, int code) {
    switch (code) {
        case BN_CLICKED:
            OnPdfClick(page, controlId);
            return FALSE;
        case LBN_SELCHANGE:
            if (controlId == IDC_PDF_PROFILE_LIST) OnProfileSelected(page);
            return FALSE;
        case LBN_DBLCLK:
            if (controlId != IDC_PDF_PROFILE_LIST) return FALSE;
            // A double-click on an entry is "Edit".
            SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_PDF_EDIT, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_PDF_EDIT)));
            return TRUE;
    }
    return FALSE;
}

// Writes the options the user changed and the difference of the profile list; what
// could not be stored is told in one box, and stays changed for the next apply.
bool ApplyPdfPage(HWND) {
    NotStored notStored;
    std::vector<PdfOptions*> changed;
    for (PdfOptions& option : PdfOptionValues)
        if (Settings.*option.field != option.shown) changed.push_back(&option);
    if (!changed.empty()) {
        UniqueRegKey key;
        Failure failure;
        if (!CreateUserKey(key, failure)) {
            notStored.Add(FormatWithKeyName(L"HKCU\\Software\\%s"), static_cast<LONG>(failure.errorCode));
        } else {
            for (PdfOptions* option : changed) {
                const LONG status = WriteDwordValue(key.get(), option->valueName, Settings.*option->field);
                notStored.Add(option->valueName, status);
                if (status == ERROR_SUCCESS) {
                    option->shown = Settings.*option->field;
                    Settings.Imported.Forget(option->valueName);  // the user's own stands over an import's
                }
            }
        }
    }
    // The profiles live under a key of their own: saved even when the user key failed.
    SavePdfProfiles(notStored);
    // Last: the pages before this one have stored the values the user changed after the
    // import, and dropped the import's.
    Settings.Imported.Store(notStored);
    return ShowNotStored(notStored, nullptr);
}

}  // namespace

INT_PTR CALLBACK PdfPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitPdfPage(page);
            return TRUE;
        case WM_COMMAND:
            return OnPdfCommand(page, LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY:
            return OnPageNotify(page, *reinterpret_cast<NMHDR*>(lParam), Settings.LastViewedPage, PdfPageChanged, ApplyPdfPage);
    }
    return FALSE;
}
