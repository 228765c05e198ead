#include "tests/support/pdf_page_fixture.h"

#include <commctrl.h>

#include "app/sheet_internal.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/settings.h"

void StoreProfiles(const std::vector<std::wstring>& names, int current) {
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", static_cast<DWORD>(names.size()));
    SetDword(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", static_cast<DWORD>(current));
    for (size_t i = 0; i < names.size(); ++i)
        SetText(HKEY_CURRENT_USER, UserProfilesPath, ProfileValueName(static_cast<int>(i), L"Profile name").c_str(),
                names[i]);
}

HWND PdfPageTest::OpenPdfPage() {
    sheet_.reset();  // the one before is gone first
    ResetSettings();
    EXPECT_EQ(LoadSheetSettings(), 1);
    sheet_ = std::make_unique<ModelessSheet>();
    page_ = sheet_->ShowPage(IDD_PDF_PAGE);
    EXPECT_NE(page_, nullptr);
    return page_;
}

HWND PdfPageTest::list() const { return GetDlgItem(page_, IDC_PDF_PROFILE_LIST); }

int PdfPageTest::ClickAndDriveProfileSheet(int buttonId, std::vector<ModalDriver::Step> steps) {
    ModalDriver driver(ProfileSheetCaption, std::move(steps));
    Click(page_, buttonId);
    return driver.windowsSeen();
}

int PdfPageTest::DoubleClickAndDriveProfileSheet(int index, std::vector<ModalDriver::Step> steps) {
    ModalDriver driver(ProfileSheetCaption, std::move(steps));
    ClickListEntry(page_, IDC_PDF_PROFILE_LIST, index, true);
    return driver.windowsSeen();
}

std::vector<std::wstring> PdfPageTest::Entries() const { return ListEntries(page_, IDC_PDF_PROFILE_LIST); }

int PdfPageTest::Selection() const { return static_cast<int>(SendMessageW(list(), LB_GETCURSEL, 0, 0)); }

void PdfPageTest::TearDown() {
    sheet_.reset();
    RegistryTest::TearDown();
}

ModalDriver::Step TypeProfileName(const std::wstring& name) {
    return [name](HWND sheet) {
        HWND description = ShowSheetPage(sheet, IDD_PROFILE_DESCRIPTION);
        TypeOver(description, IDC_PROFILE_NAME, name);
    };
}

ModalDriver::Step PressOk() {
    return [](HWND sheet) { PressSheetButton(sheet, PSBTN_OK); };
}

ModalDriver::Step PressCancel() {
    return [](HWND sheet) { PressSheetButton(sheet, PSBTN_CANCEL); };
}
