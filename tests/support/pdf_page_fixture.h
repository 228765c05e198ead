// The PDF page in a live modeless sheet, with profiles stored beforehand, and the
// nested "PDF Profile Properties" sheet driven by a ModalDriver while it runs.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"

inline constexpr wchar_t ProfileSheetCaption[] = L"PDF Profile Properties";

// Stores profiles with these names (other fields at their defaults) in the user key.
void StoreProfiles(const std::vector<std::wstring>& names, int current);

class PdfPageTest : public RegistryTest {
protected:
    // Loads the settings as the program does and shows the PDF page (fails the test if
    // loading fails or the page is missing).
    HWND OpenPdfPage();
    ModelessSheet& sheet() { return *sheet_; }
    HWND page() const { return page_; }
    HWND list() const;

    // Clicks `buttonId` on the page (New or Edit); `steps` drive the profile sheet that
    // opens. Returns how many profile sheets opened.
    int ClickAndDriveProfileSheet(int buttonId, std::vector<ModalDriver::Step> steps);
    // The same through a double-click on entry `index` of the list.
    int DoubleClickAndDriveProfileSheet(int index, std::vector<ModalDriver::Step> steps);

    std::vector<std::wstring> Entries() const;
    int Selection() const;

    void TearDown() override;

private:
    std::unique_ptr<ModelessSheet> sheet_;
    HWND page_ = nullptr;
};

// Steps for the profile sheet: type the name over the present one, then press OK.
ModalDriver::Step TypeProfileName(const std::wstring& name);
ModalDriver::Step PressOk();
ModalDriver::Step PressCancel();
