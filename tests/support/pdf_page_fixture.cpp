#include "tests/support/pdf_page_fixture.h"

#include <commctrl.h>

#include "app/sheet.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"

void StoreProfiles(const std::vector<std::wstring>& names, int current) {
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", static_cast<DWORD>(names.size()));
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", static_cast<DWORD>(current));
    for (size_t i = 0; i < names.size(); ++i)
        SetText(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(static_cast<int>(i), L"Profile name").c_str(),
                names[i]);
}

HWND PdfPageTest::OpenPdfPage() {
    ResetSettings();
    EXPECT_EQ(LoadSheetSettings(), 1);
    sheet_ = std::make_unique<ModelessSheet>();
    page_ = sheet_->ShowPageWith(IDC_PDF_SAVE);
    EXPECT_NE(page_, nullptr);
    return page_;
}

HWND PdfPageTest::list() const { return GetDlgItem(page_, IDC_PDF_PROFILE_LIST); }

int PdfPageTest::ClickAndDriveProfileSheet(int buttonId, std::vector<ModalSheetScript::Step> steps) {
    ModalSheetScript script(ProfileSheetCaption, std::move(steps));
    ModelessSheet::Click(page_, buttonId);
    return script.sheetsSeen();
}

int PdfPageTest::DoubleClickAndDriveProfileSheet(int index, std::vector<ModalSheetScript::Step> steps) {
    ModalSheetScript script(ProfileSheetCaption, std::move(steps));
    ClickListEntry(list(), index, true);
    PumpMessages();
    return script.sheetsSeen();
}

std::vector<std::wstring> PdfPageTest::Entries() const { return ListEntries(list()); }

int PdfPageTest::Selection() const { return static_cast<int>(SendMessageW(list(), LB_GETCURSEL, 0, 0)); }

bool PdfPageTest::Enabled(int controlId) const { return IsWindowEnabled(GetDlgItem(page_, controlId)) != FALSE; }

void PdfPageTest::TearDown() {
    sheet_.reset();
    RegistryTest::TearDown();
}

ModalSheetScript::Step TypeProfileName(const std::wstring& name) {
    return [name](HWND sheet) {
        HWND description = ShowSheetPageWith(sheet, IDC_PROFILE_NAME);
        ReplaceText(GetDlgItem(description, IDC_PROFILE_NAME), name);
    };
}

ModalSheetScript::Step PressOk() {
    return [](HWND sheet) { PressSheetButton(sheet, PSBTN_OK); };
}

ModalSheetScript::Step PressCancel() {
    return [](HWND sheet) { PressSheetButton(sheet, PSBTN_CANCEL); };
}
