// The device pages against the in-memory print server: user forms, the right to
// administer the printer, refusals and odd answers of the spooler.
#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <string>

#include "app/sheet_internal.h"
#include "base/globals.h"
#include "base/windows_version.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/print_server_double.h"
#include "tests/support/registry_fixture.h"

namespace {

std::wstring ErrorText(const wchar_t* sentence, DWORD code) {
    return std::wstring(sentence) + L"\nError # " + std::to_wstring(static_cast<int>(code)) + L": " + SystemText(code);
}

class PrintServerTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(LoadSheetSettings(), 1);
        ResetPrintServer();
    }
    void TearDown() override {
        EXPECT_TRUE(PrintServer().openHandles.empty()) << "a printer handle outlived its operation";
        RegistryTest::TearDown();
    }
    static std::wstring StoredFormName() { return PrintServer().deviceMode.dmFormName; }
};

// ---------------------------------------------------------------------------
// Paper page

class PaperPageTest : public PrintServerTest {};

TEST_F(PaperPageTest, ListsTheDriversPapersSelectsTheStoredOneAndShowsItsSize) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST),
              (std::vector<std::wstring>{L"A4", L"US Letter", L"A5", L"Lumarel Label"}));
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 0);

    Click(page, IDC_METRIC);
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"210.00");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"297.00");
    EXPECT_EQ(ControlText(page, IDC_WIDTH_UNIT), L"mm");
    EXPECT_EQ(ControlText(page, IDC_LENGTH_UNIT), L"mm");
    Click(page, IDC_ENGLISH);
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"8.27");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"11.69");
    EXPECT_EQ(ControlText(page, IDC_LENGTH_UNIT), L"in");
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_ENGLISH), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_METRIC), BST_UNCHECKED);
    EXPECT_FALSE(sheet.ApplyEnabled()) << "switching units is no change";
    EXPECT_TRUE(sheet.Apply());
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
}

TEST_F(PaperPageTest, DeleteIsOfferedOnlyForUserFormsAndOnlyToAdministrators) {
    {
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
        EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM)) << "A4 is a built-in form";
        ChooseComboItem(page, IDC_PAPER_LIST, 3);
        EXPECT_TRUE(IsControlEnabled(page, IDC_DELETE_FORM)) << "Lumarel Label is a user form";
        ChooseComboItem(page, IDC_PAPER_LIST, 1);
        EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM)) << "no form is named \"US Letter\"";
        EXPECT_TRUE(IsControlEnabled(page, IDC_ADD_FORM));
    }
    // A form whose name differs only in letter case is not the paper's form.
    PrintServer().forms.push_back({L"us letter", FORM_USER, {1, 1}, {0, 0, 1, 1}});
    PrintServer().driverListsUserForms = false;
    {
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
        ChooseComboItem(page, IDC_PAPER_LIST, 1);
        EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM));
    }
    PrintServer().driverListsUserForms = true;
    // The page asks for the right itself when it is created.
    PrintServer().refusedAccess = PRINTER_ACCESS_ADMINISTER;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    EXPECT_FALSE(CanAdministerPrinter);
    EXPECT_FALSE(IsControlEnabled(page, IDC_ADD_FORM));
    EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM));
    ChooseComboItem(page, IDC_PAPER_LIST, 3);
    EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM)) << "a user form, but no right to administer";
    EXPECT_TRUE(IsControlEnabled(page, IDC_PAPER_LIST));
}

TEST_F(PaperPageTest, ChosenPaperIsWrittenOnApplyAtLevelNineKeepingTheRest) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 1);
    EXPECT_TRUE(sheet.ApplyEnabled());
    EXPECT_TRUE(PrintServer().writtenLevels.empty()) << "written before the apply";
    PrintServer().opens.clear();
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(PrintServer().writtenLevels, std::vector<DWORD>{9});
    // One open, with the user's access only: the form lookup uses the same handle.
    EXPECT_EQ(PrintServer().opens, std::vector<ACCESS_MASK>{PRINTER_ACCESS_USE});
    const DEVMODEW& stored = PrintServer().deviceMode;
    EXPECT_EQ(stored.dmPaperSize, DMPAPER_LETTER);
    EXPECT_EQ(StoredFormName(), L"US Letter");
    EXPECT_EQ(stored.dmFields & (DM_PAPERSIZE | DM_FORMNAME), static_cast<DWORD>(DM_PAPERSIZE | DM_FORMNAME));
    EXPECT_NE(stored.dmFields & DM_COPIES, 0u);
    EXPECT_EQ(stored.dmCopies, 3);
    EXPECT_EQ(stored.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(stored.dmPrintQuality, 600);
    EXPECT_FALSE(sheet.ApplyEnabled());
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(PrintServer().writtenLevels.size(), 1u) << "a second apply without a change writes again";
}

TEST_F(PaperPageTest, NameLongerThanAFormNameIsCutToThirtyOneUnits) {
    const std::wstring name = L"Lumarel Continuous Banner Paper 4 x 10in";
    ASSERT_EQ(name.size(), 40u);
    PrintServer().driverPapers.push_back({256, name, {1016, 2540}});
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 3);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST)[3], name);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(StoredFormName(), name.substr(0, 31));
    EXPECT_EQ(PrintServer().deviceMode.dmPaperSize, 256);
}

void FillNewForm(HWND dialog, const wchar_t* name, const wchar_t* width, const wchar_t* length) {
    TypeOver(dialog, IDC_FORM_NAME, name);
    TypeOver(dialog, IDC_PAPER_WIDTH, width);
    TypeOver(dialog, IDC_PAPER_LENGTH, length);
}

void AcceptMetricForm(HWND dialog, const wchar_t* name, const wchar_t* width, const wchar_t* length) {
    Click(dialog, IDC_METRIC);
    FillNewForm(dialog, name, width, length);
    Click(dialog, IDOK);
}

TEST_F(PaperPageTest, AddedFormGoesToThePrintServerAtOnceAndIsSelected) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    {
        ModalDriver driver(L"New Paper Form", {[](HWND dialog) {
            // A new prefix measures in U.S. units: the dialog starts in inches.
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ENGLISH), BST_CHECKED);
            FillNewForm(dialog, L"Photo 4x6", L"4", L"6");
            Click(dialog, IDOK);
        }});
        Click(page, IDC_ADD_FORM);
        ASSERT_TRUE(driver.windowsSeen() == 1);
    }
    const DoubleForm* form = FindForm(L"Photo 4x6");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->flags, static_cast<DWORD>(FORM_USER));
    EXPECT_EQ(form->size.cx, 101600);
    EXPECT_EQ(form->size.cy, 152400);
    EXPECT_EQ(form->imageableArea.left, 0);
    EXPECT_EQ(form->imageableArea.top, 0);
    EXPECT_EQ(form->imageableArea.right, 101600);
    EXPECT_EQ(form->imageableArea.bottom, 152400);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST).back(), L"Photo 4x6");
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 4);
    EXPECT_TRUE(IsControlEnabled(page, IDC_DELETE_FORM));
    EXPECT_TRUE(sheet.ApplyEnabled());
    EXPECT_TRUE(PrintServer().writtenLevels.empty()) << "the paper itself waits for the apply";

    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(StoredFormName(), L"Photo 4x6");
}

TEST_F(PaperPageTest, AnAddedFormOutlivesACancelledSheet) {
    {
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
        PrintServer().opens.clear();
        ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Kept", L"90", L"50"); }});
        Click(page, IDC_ADD_FORM);
        ASSERT_TRUE(driver.windowsSeen() == 1);
        const std::vector<ACCESS_MASK>& opens = PrintServer().opens;
        EXPECT_EQ(std::count(opens.begin(), opens.end(), static_cast<ACCESS_MASK>(PRINTER_ACCESS_ADMINISTER)), 1)
            << "the add opens the printer to administer it, once";
    }  // closed without an apply, as Cancel does
    EXPECT_NE(FindForm(L"Kept"), nullptr);
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
}

TEST_F(PaperPageTest, MillimetresBecomeWholeThousandthsTruncated) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Odd", L"100.0004", L"25.0009"); }});
    Click(page, IDC_ADD_FORM);
    ASSERT_TRUE(driver.windowsSeen() == 1);
    const DoubleForm* form = FindForm(L"Odd");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->size.cx, 100000);
    EXPECT_EQ(form->size.cy, 25000);
}

TEST_F(PaperPageTest, AUserWithTheDecimalCommaSeesItAndTypesIt) {
    // Set as the Control Panel does; the dialog reads them when it opens.
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L".");
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    Click(page, IDC_METRIC);
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"210,00");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"297,00");
    ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Comma", L"210,5", L"297"); }});
    Click(page, IDC_ADD_FORM);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L".");
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L",");
    ASSERT_TRUE(driver.windowsSeen() == 1);
    const DoubleForm* form = FindForm(L"Comma");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->size.cx, 210500) << "not cut at the comma";
    EXPECT_EQ(form->size.cy, 297000);
}

TEST_F(PaperPageTest, CancelledDialogAddsNothing) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    size_t before = PrintServer().forms.size();
    ModalDriver driver(L"New Paper Form", {[](HWND dialog) {
        FillNewForm(dialog, L"Never", L"10", L"10");
        Click(dialog, IDCANCEL);
    }});
    Click(page, IDC_ADD_FORM);
    ASSERT_TRUE(driver.windowsSeen() == 1);
    EXPECT_EQ(PrintServer().forms.size(), before);
    EXPECT_FALSE(sheet.ApplyEnabled());
}

TEST_F(PaperPageTest, RefusedAddIsReportedAndTheListIsNotReread) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 2);
    PrintServer().failures["AddForm"] = ERROR_NOT_ENOUGH_MEMORY;
    MessageBoxWatcher watcher;
    ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Big", L"800", L"1000"); }});
    Click(page, IDC_ADD_FORM);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, ErrorText(L"Failed to add new form.", ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(watcher.boxes()[0].caption, L"Lumarel Printer properties");
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 2) << "the user's choice stays";
    EXPECT_EQ(FindForm(L"Big"), nullptr);
}

TEST_F(PaperPageTest, EveryRefillSelectsTheStoredPaperAgain) {
    PrintServer().driverListsUserForms = false;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 2);
    ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Unlisted", L"30", L"40"); }});
    Click(page, IDC_ADD_FORM);
    ASSERT_NE(FindForm(L"Unlisted"), nullptr);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST).size(), 3u) << "this driver does not list user forms";
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 0) << "the stored A4, not the unapplied A5";
}

TEST_F(PaperPageTest, AddOfAFormTheDriverDoesNotListIsNoChange) {
    PrintServer().driverListsUserForms = false;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Unlisted", L"30", L"40"); }});
    Click(page, IDC_ADD_FORM);
    ASSERT_NE(FindForm(L"Unlisted"), nullptr);
    EXPECT_FALSE(sheet.ApplyEnabled());
}

TEST_F(PaperPageTest, DeletingTheStoredPapersFormStoresTheFirstPaperAtOnce) {
    PrintServer().deviceMode.dmPaperSize = 0x100;
    wcscpy(PrintServer().deviceMode.dmFormName, L"Lumarel Label");
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_EQ(ComboSelection(page, IDC_PAPER_LIST), 3);
    ASSERT_TRUE(IsControlEnabled(page, IDC_DELETE_FORM));
    Click(page, IDC_DELETE_FORM);
    EXPECT_EQ(FindForm(L"Lumarel Label"), nullptr);
    EXPECT_EQ(PrintServer().writtenLevels, std::vector<DWORD>{9}) << "written before the apply";
    EXPECT_EQ(PrintServer().deviceMode.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(StoredFormName(), L"A4");
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST).size(), 3u);
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 0);
    EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM));
    EXPECT_TRUE(sheet.ApplyEnabled());
}

TEST_F(PaperPageTest, DeletingAnotherFormKeepsTheStoredPaper) {
    PrintServer().forms.push_back({L"Second Label", FORM_USER, {50000, 50000}, {0, 0, 50000, 50000}});
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 4);
    Click(page, IDC_DELETE_FORM);
    EXPECT_EQ(FindForm(L"Second Label"), nullptr);
    EXPECT_NE(FindForm(L"Lumarel Label"), nullptr);
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 0);
    EXPECT_TRUE(sheet.ApplyEnabled());
}

TEST_F(PaperPageTest, RefusedDeleteIsReported) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 3);
    PrintServer().failures["DeleteForm"] = ERROR_ACCESS_DENIED;
    MessageBoxWatcher watcher;
    Click(page, IDC_DELETE_FORM);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, ErrorText(L"Failed to delete form.", ERROR_ACCESS_DENIED));
    EXPECT_NE(FindForm(L"Lumarel Label"), nullptr);
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 3);
}

// The probe found the right when the page was made; by the time Add or Delete asks for
// it again it is gone. Neither says anything or changes the list.
TEST_F(PaperPageTest, AddAndDeleteDoNothingWhenTheRightIsGoneAfterTheProbe) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_TRUE(CanAdministerPrinter);
    ChooseComboItem(page, IDC_PAPER_LIST, 3);  // the user form, not the stored paper
    ASSERT_TRUE(IsControlEnabled(page, IDC_DELETE_FORM));
    const std::vector<std::wstring> listed = ComboItems(page, IDC_PAPER_LIST);
    const size_t forms = PrintServer().forms.size();
    PrintServer().refusedAccess = PRINTER_ACCESS_ADMINISTER;
    PrintServer().opens.clear();
    MessageBoxWatcher watcher;
    {
        ModalDriver driver(L"New Paper Form", {[](HWND dialog) { AcceptMetricForm(dialog, L"Late", L"90", L"50"); }});
        Click(page, IDC_ADD_FORM);
        ASSERT_EQ(driver.windowsSeen(), 1);
    }
    Click(page, IDC_DELETE_FORM);
    const std::vector<ACCESS_MASK>& opens = PrintServer().opens;
    EXPECT_EQ(std::count(opens.begin(), opens.end(), static_cast<ACCESS_MASK>(PRINTER_ACCESS_ADMINISTER)), 2)
        << "Add and Delete each asked for the right";
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(PrintServer().forms.size(), forms);
    EXPECT_NE(FindForm(L"Lumarel Label"), nullptr);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST), listed);
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 3);
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
}

TEST_F(PaperPageTest, UnreachablePrinterDisablesThePageSilently) {
    PrintServer().refusedAccess = PRINTER_ACCESS_USE | PRINTER_ACCESS_ADMINISTER;
    MessageBoxWatcher watcher;
    ModelessSheet sheet({1, 0, VER_PLATFORM_WIN32_NT, 0, 0, 0});  // General left out: it reports
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(AllControlsDisabled(page));
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_TRUE(ComboItems(page, IDC_PAPER_LIST).empty());
    EXPECT_TRUE(sheet.Apply());
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
}

TEST_F(PaperPageTest, ShortNameAndSizeListsAreNeverReadPast) {
    PrintServer().paperNameCount = 2;
    PrintServer().paperSizeCount = 1;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    Click(page, IDC_METRIC);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST), (std::vector<std::wstring>{L"A4", L"US Letter", L"", L""}));
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"210.00");
    ChooseComboItem(page, IDC_PAPER_LIST, 3);
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"");
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(PrintServer().deviceMode.dmPaperSize, 0x100);
    EXPECT_EQ(StoredFormName(), L"");
}

TEST_F(PaperPageTest, NameFillingAllSixtyFourUnitsEndsThere) {
    const std::wstring name(64, L'N');
    PrintServer().driverPapers[1].name = name;
    PrintServer().driverPapers[2].name = L"After";
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    std::vector<std::wstring> items = ComboItems(page, IDC_PAPER_LIST);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1], name);
    EXPECT_EQ(items[2], L"After");
}

TEST_F(PaperPageTest, FormOfZeroSizeAfterTheWriteDisablesDelete) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 3);
    ASSERT_TRUE(IsControlEnabled(page, IDC_DELETE_FORM));
    PrintServer().zeroFormSize = true;
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(StoredFormName(), L"Lumarel Label");
    EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM));
}

TEST_F(PaperPageTest, PrinterInformationOfZeroSizeSelectsNothingAndWritesNothing) {
    PrintServer().zeroPrinterInfoSize = true;
    MessageBoxWatcher watcher;
    ModelessSheet sheet({1, 0, VER_PLATFORM_WIN32_NT, 0, 0, 0});
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), CB_ERR) << "no stored paper is known";
    ChooseComboItem(page, IDC_PAPER_LIST, 1);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
    EXPECT_TRUE(watcher.boxes().empty());
}

// ---------------------------------------------------------------------------
// New Paper Form dialog: a form added by someone else while it is open.

class NewFormDialogTest : public PrintServerTest {};

TEST_F(NewFormDialogTest, FormsAreReadAfreshOnEveryChange) {
    HWND dialog = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(IDD_NEW_FORM), nullptr, NewFormDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDC_METRIC);
    FillNewForm(dialog, L"Mine", L"100", L"100");
    EXPECT_TRUE(IsControlEnabled(dialog, IDOK));
    PrintServer().forms.push_back({L"Mine", FORM_USER, {1, 1}, {0, 0, 1, 1}});
    TypeOver(dialog, IDC_PAPER_LENGTH, L"101");
    EXPECT_FALSE(IsControlEnabled(dialog, IDOK));
    DestroyWindow(dialog);
    EXPECT_TRUE(PrintServer().openHandles.empty());
}

TEST_F(NewFormDialogTest, UnreachablePrinterOnlyRefusesAnEmptyName) {
    PrintServer().refusedAccess = PRINTER_ACCESS_USE;
    HWND dialog = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(IDD_NEW_FORM), nullptr, NewFormDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDC_METRIC);
    FillNewForm(dialog, L"A4", L"210", L"297");
    EXPECT_TRUE(IsControlEnabled(dialog, IDOK)) << "no forms are known";
    TypeOver(dialog, IDC_FORM_NAME, L"");
    EXPECT_FALSE(IsControlEnabled(dialog, IDOK));
    DestroyWindow(dialog);
}

// ---------------------------------------------------------------------------
// General page and the device-mode write (Windows 2000 and later: level 9)

class GeneralPageTest : public PrintServerTest {};

TEST_F(GeneralPageTest, FaxResolutionsAreNamedAndTheFirstEqualPairIsSelected) {
    PrintServer().resolutions = {{204, 98}, {600, 600}, {204, 196}, {600, 600}};
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    EXPECT_EQ(ComboItems(page, IDC_RESOLUTION_LIST),
              (std::vector<std::wstring>{L"204 x 98 DPI - Standard FAX mode", L"600 x 600 DPI",
                                         L"204 x 196 DPI - Fine FAX mode", L"600 x 600 DPI"}));
    EXPECT_EQ(ComboSelection(page, IDC_RESOLUTION_LIST), 1);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT), BST_CHECKED);
    EXPECT_FALSE(IsControlVisible(page, IDC_DRIVER_PROPERTIES));
}

TEST_F(GeneralPageTest, OrientationOtherThanOneOrTwoMarksNeitherButton) {
    PrintServer().deviceMode.dmOrientation = 3;
    PrintServer().deviceMode.dmPrintQuality = 123;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_LANDSCAPE), BST_UNCHECKED);
    EXPECT_EQ(ComboSelection(page, IDC_RESOLUTION_LIST), CB_ERR);
}

// An absurd count is not used to size the buffer (it would wrap in a 32-bit build, or
// exhaust memory), nor asked for the list.
TEST_F(GeneralPageTest, NoResolutionsOrAnAbsurdCountLeaveAnEmptyList) {
    for (int count : {0, -1, 0x7fffffff, 0x20000000}) {
        PrintServer().useResolutionCountOverride = true;
        PrintServer().resolutionCountOverride = count;
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
        EXPECT_TRUE(ComboItems(page, IDC_RESOLUTION_LIST).empty());
        EXPECT_EQ(ComboSelection(page, IDC_RESOLUTION_LIST), CB_ERR);
        EXPECT_TRUE(IsControlEnabled(page, IDC_PORTRAIT)) << "the device mode was read";
    }
}

TEST_F(GeneralPageTest, ChangesAreWrittenOnceOnApplyKeepingTheRest) {
    PrintServer().resolutions = {{300, 300}, {600, 600}, {40000, 204}};
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    Click(page, IDC_LANDSCAPE);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_LANDSCAPE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT), BST_UNCHECKED);
    ChooseComboItem(page, IDC_RESOLUTION_LIST, 2);
    EXPECT_TRUE(sheet.ApplyEnabled());
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(PrintServer().writtenLevels, std::vector<DWORD>{9});
    const DEVMODEW& stored = PrintServer().deviceMode;
    EXPECT_EQ(stored.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(stored.dmPrintQuality, static_cast<short>(40000 - 65536)) << "the low 16 bits";
    EXPECT_EQ(stored.dmYResolution, 204);
    EXPECT_EQ(stored.dmFields & 0x2401u, 0x2401u);
    EXPECT_EQ(stored.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(stored.dmCopies, 3);
    EXPECT_FALSE(sheet.ApplyEnabled());
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(PrintServer().writtenLevels.size(), 1u);
}

TEST_F(GeneralPageTest, CancelledSheetWritesNothing) {
    {
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
        Click(page, IDC_LANDSCAPE);
    }
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
    EXPECT_EQ(PrintServer().deviceMode.dmOrientation, DMORIENT_PORTRAIT);
}

TEST_F(GeneralPageTest, UnreadablePrinterIsReportedAndDisablesThePage) {
    PrintServer().refusedAccess = PRINTER_ACCESS_USE;
    {
        MessageBoxWatcher watcher;
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
        ASSERT_EQ(watcher.boxes().size(), 1u);
        EXPECT_EQ(watcher.boxes()[0].text, ErrorText(L"OpenPrinter(PRINTER_ACCESS_USE) error.", ERROR_ACCESS_DENIED));
        EXPECT_TRUE(AllControlsDisabled(page));
    }
    PrintServer().refusedAccess = 0;
    PrintServer().failures["DocumentProperties"] = ERROR_INVALID_DATA;
    MessageBoxWatcher watcher;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, ErrorText(L"DocumentProperties() failed.", ERROR_INVALID_DATA));
    EXPECT_TRUE(AllControlsDisabled(page));
    EXPECT_TRUE(sheet.Apply());
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
}

TEST_F(GeneralPageTest, DriversOwnDialogStoresItselfAndThePageFollows) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    PrintServer().driverDialog = [](DEVMODEW& mode) {
        mode.dmOrientation = DMORIENT_LANDSCAPE;
        mode.dmPrintQuality = 300;
        mode.dmYResolution = 300;
    };
    PrintServer().opens.clear();
    Click(page, IDC_DRIVER_PROPERTIES);
    EXPECT_EQ(PrintServer().driverDialogRuns, 1);
    ASSERT_FALSE(PrintServer().opens.empty());
    EXPECT_EQ(PrintServer().opens[0], static_cast<ACCESS_MASK>(PRINTER_ALL_ACCESS));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_LANDSCAPE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT), BST_UNCHECKED);
    EXPECT_EQ(ComboSelection(page, IDC_RESOLUTION_LIST), 0);
    EXPECT_FALSE(sheet.ApplyEnabled()) << "the driver has stored it already";

    // No pair matches: the selection stays.
    PrintServer().driverDialog = [](DEVMODEW& mode) { mode.dmPrintQuality = 1; };
    Click(page, IDC_DRIVER_PROPERTIES);
    EXPECT_EQ(ComboSelection(page, IDC_RESOLUTION_LIST), 0);

    PrintServer().refusedAccess = PRINTER_ACCESS_ADMINISTER;
    MessageBoxWatcher watcher;
    Click(page, IDC_DRIVER_PROPERTIES);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, ErrorText(L"OpenPrinter() failed.", ERROR_ACCESS_DENIED));
    EXPECT_EQ(PrintServer().driverDialogRuns, 2);
}

// Changes the orientation, applies, and returns the boxes the apply showed. A failure
// that was told keeps the sheet open with the change pending, and the next apply tries
// again; one the spooler gave no code for is silent and accepted.
std::vector<ObservedBox> ApplyLandscape(const std::function<void()>& beforeApply) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    Click(page, IDC_LANDSCAPE);
    beforeApply();
    MessageBoxWatcher watcher;
    const bool accepted = sheet.Apply();
    const std::vector<ObservedBox> boxes = watcher.boxes();
    EXPECT_EQ(accepted, boxes.empty());
    EXPECT_EQ(sheet.ApplyEnabled(), !boxes.empty());
    sheet.Apply();
    EXPECT_EQ(watcher.boxes().size(), 2 * boxes.size()) << "a told failure is retried by the next apply";
    return boxes;
}

TEST_F(GeneralPageTest, WriteFailuresNameTheFailingCall) {
    auto boxes = ApplyLandscape([] { PrintServer().refusedAccess = PRINTER_ACCESS_USE; });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ErrorText(L"OpenPrinter(PRINTER_ACCESS_USE) failed.", ERROR_ACCESS_DENIED));

    ResetPrintServer();
    boxes = ApplyLandscape([] { PrintServer().failures["GetPrinter"] = ERROR_NOT_ENOUGH_MEMORY; });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ErrorText(L"GetPrinter(PRINTER_INFO_2) failed.", ERROR_NOT_ENOUGH_MEMORY));

    ResetPrintServer();
    boxes = ApplyLandscape([] { PrintServer().failures["SetPrinter"] = ERROR_INVALID_PRINTER_STATE; });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ErrorText(L"SetPrinter(PRINTER_INFO_9) failed.", ERROR_INVALID_PRINTER_STATE));
    EXPECT_EQ(PrintServer().deviceMode.dmOrientation, DMORIENT_PORTRAIT);
}

TEST_F(GeneralPageTest, FailuresWithoutAnErrorCodeAndEmptyPrinterInformationStaySilent) {
    auto boxes = ApplyLandscape([] { PrintServer().failures["SetPrinter"] = 0; });
    EXPECT_TRUE(boxes.empty());
    ResetPrintServer();
    boxes = ApplyLandscape([] { PrintServer().zeroPrinterInfoSize = true; });
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(PrintServer().writtenLevels.empty());
}

// A damaged or foreign driver's answer to GetPrinter is a failed read: nothing is
// edited or written, and the fixed text is shown.
TEST_F(GeneralPageTest, DeviceModesThatDoNotFitTheAnswerAreFailedReads) {
    const std::pair<const char*, std::function<void()>> damages[] = {
        {"no device mode", [] { PrintServer().alterAnswer = [](const char*, BYTE* answer, size_t) {
             reinterpret_cast<PRINTER_INFO_2W*>(answer)->pDevMode = nullptr; }; }},
        {"an old driver's short device mode", [] {
             PrintServer().deviceMode.dmSize = 156;  // without dmFormName
         }},
        {"dmSize lying", [] { PrintServer().deviceModeAnswerBytes = 120; }},
        {"driver part past the answer", [] { PrintServer().deviceMode.dmDriverExtra = 4000;
             PrintServer().deviceModeAnswerBytes = sizeof(DEVMODEW); }},
        {"device mode outside the answer", [] { PrintServer().alterAnswer = [](const char*, BYTE* answer, size_t) {
             reinterpret_cast<PRINTER_INFO_2W*>(answer)->pDevMode =
                 reinterpret_cast<DEVMODEW*>(PrintServer().outside.data()); }; }},
        {"printer name outside the answer", [] { PrintServer().alterAnswer = [](const char*, BYTE* answer, size_t) {
             reinterpret_cast<PRINTER_INFO_2W*>(answer)->pPrinterName =
                 reinterpret_cast<wchar_t*>(PrintServer().outside.data()); }; }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        ResetPrintServer();
        auto boxes = ApplyLandscape(damage);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, ErrorText(L"GetPrinter(PRINTER_INFO_2) failed.", ERROR_INVALID_DATA));
        EXPECT_TRUE(PrintServer().writtenLevels.empty());
        EXPECT_TRUE(PrintServer().strayDeviceModes.empty());
        EXPECT_TRUE(OutsideUntouched());
    }
}

TEST_F(PaperPageTest, FormsWhoseNamesDoNotFitTheAnswerAreLeftOut) {
    PrintServer().alterAnswer = [](const char* call, BYTE* answer, size_t size) {
        if (std::string(call) != "EnumForms") return;
        auto* records = reinterpret_cast<FORM_INFO_1W*>(answer);
        records[0].pName = reinterpret_cast<wchar_t*>(PrintServer().outside.data());
        records[1].pName = nullptr;
        // The last name runs to the end of the answer without a terminator.
        wmemset(records[3].pName, L'x', (answer + size - reinterpret_cast<BYTE*>(records[3].pName)) / sizeof(wchar_t));
    };
    UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_USE);
    ASSERT_TRUE(printer);
    std::vector<FormEntry> forms = ReadForms(printer.get());
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].name, L"A5");
}

// ---------------------------------------------------------------------------
// Before Windows 2000 (the program run as "nt40"): the machine-wide device mode, level 2.

class LevelTwoWrite : public PrintServerTest {
protected:
    void SetUp() override {
        PrintServerTest::SetUp();
        ASSERT_LT(WindowsVersion().dwMajorVersion, 5u) << "run with LUMAREL_WINE_VERSION=nt40";
    }
};

TEST_F(LevelTwoWrite, OrientationAndPaperAreWrittenMachineWideWithFullAccess) {
    ModelessSheet sheet;
    HWND general = sheet.ShowPage(IDD_GENERAL_PAGE);
    Click(general, IDC_LANDSCAPE);
    HWND paper = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(paper, IDC_PAPER_LIST, 2);
    PrintServer().opens.clear();
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(PrintServer().writtenLevels, (std::vector<DWORD>{2, 2}));
    EXPECT_EQ(PrintServer().opens,
              (std::vector<ACCESS_MASK>{PRINTER_ALL_ACCESS, PRINTER_ALL_ACCESS}));
    EXPECT_EQ(PrintServer().deviceMode.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(PrintServer().deviceMode.dmPaperSize, DMPAPER_A5);
}

TEST_F(LevelTwoWrite, FailuresNameTheLevelTwoCalls) {
    auto boxes = ApplyLandscape([] { PrintServer().refusedAccess = PRINTER_ACCESS_ADMINISTER; });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ErrorText(L"OpenPrinter(PRINTER_ALL_ACCESS) failed.", ERROR_ACCESS_DENIED));
    EXPECT_TRUE(PrintServer().writtenLevels.empty());

    ResetPrintServer();
    boxes = ApplyLandscape([] { PrintServer().failures["SetPrinter"] = ERROR_ACCESS_DENIED; });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ErrorText(L"SetPrinter(PRINTER_INFO_2) failed.", ERROR_ACCESS_DENIED));
}

}  // namespace
