// The device pages against Wine's own spooler and PostScript driver, with the test
// printer that tools/install_printer.exe put into the prefix (tools/lumarel.ppd).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "base/high_contrast.h"
#include "base/display_scale.h"
#include "base/globals.h"
#include "base/windows_version.h"
#include "device/device_pages.h"
#include "device/printer_access.h"
#include "device/spooler.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_printer.h"

namespace {

const std::wstring LongPaperName = L"Lumarel Continuous Banner Paper 4 x 10in";

class WinePrinterTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(LoadSheetSettings(), 1);
        saved_ = StoredDeviceMode();
        ASSERT_FALSE(saved_.empty()) << "the test printer is not installed";
    }
    void TearDown() override {
        StoreDeviceMode(saved_);
        RegistryTest::TearDown();
    }
    static DEVMODEW Stored() { return StoredDeviceModeFields(); }

private:
    std::vector<BYTE> saved_;
};

// ---------------------------------------------------------------------------

class SpoolerAccess : public WinePrinterTest {};

TEST_F(SpoolerAccess, CapabilityListsComeFromTheDriver) {
    EXPECT_EQ(ReadPaperNumbers(), (std::vector<WORD>{DMPAPER_A4, DMPAPER_LETTER, DMPAPER_A5, DMPAPER_LEGAL, 256}));
    EXPECT_EQ(ReadPaperNames(),
              (std::vector<std::wstring>{L"A4", L"US Letter", L"A5", L"US Legal", LongPaperName}));
    std::vector<POINT> sizes = ReadPaperSizes();
    ASSERT_EQ(sizes.size(), 5u);
    EXPECT_EQ(sizes[0].x, 2100);
    EXPECT_EQ(sizes[0].y, 2970);
    EXPECT_EQ(sizes[1].x, 2159);
    EXPECT_EQ(sizes[1].y, 2794);
    std::vector<ResolutionPair> resolutions = ReadResolutions();
    ASSERT_EQ(resolutions.size(), 4u);
    EXPECT_EQ(resolutions[2].horizontal, 204);
    EXPECT_EQ(resolutions[2].vertical, 98);
    EXPECT_EQ(resolutions[3].vertical, 196);
}

// Each spooler call starts with no last error, so that a failure carries the failing
// call's own code, or none, never one an earlier call left (binding winspool.drv leaves
// ERROR_ALREADY_EXISTS whenever another process has it loaded).
TEST_F(SpoolerAccess, ACallLeavesNoEarlierLastErrorBehind) {
    SetLastError(ERROR_ALREADY_EXISTS);
    EXPECT_GT(spooler::Capabilities(L"Lumarel Printer", nullptr, DC_PAPERS, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
}

TEST_F(SpoolerAccess, DeviceModeAndFormsAreRead) {
    UniquePrinter printer = OpenVirtualPrinter(PRINTER_ACCESS_USE);
    ASSERT_TRUE(printer);
    Failure failure;
    std::vector<BYTE> mode = ReadDeviceMode(nullptr, printer.get(), failure);
    ASSERT_GE(mode.size(), sizeof(DEVMODEW));
    EXPECT_EQ(std::wstring(AsDeviceMode(mode)->dmDeviceName), L"Lumarel Printer");
    EXPECT_EQ(AsDeviceMode(mode)->dmPaperSize, DMPAPER_A4);
    EXPECT_FALSE(failure);

    std::vector<FormEntry> forms = ReadForms(printer.get());
    ASSERT_FALSE(forms.empty());
    bool letterSeen = false;
    for (const FormEntry& form : forms)
        if (form.name == L"Letter") {
            letterSeen = true;
            EXPECT_EQ(form.flags, static_cast<DWORD>(FORM_BUILTIN));
            EXPECT_EQ(form.size.cx, 215900);
        }
    EXPECT_TRUE(letterSeen);
}

TEST_F(SpoolerAccess, PaperIsWrittenForThisUserAtLevelNine) {
    ASSERT_GE(WindowsVersion().dwMajorVersion, 5u);
    bool formDeletable = true;
    Failure failure;
    EXPECT_TRUE(ApplyPaper(256, LongPaperName.c_str(), formDeletable, failure));
    EXPECT_FALSE(formDeletable) << "no form of that name";
    DEVMODEW stored = Stored();
    EXPECT_EQ(stored.dmPaperSize, 256);
    EXPECT_EQ(std::wstring(stored.dmFormName), LongPaperName.substr(0, 31));
    EXPECT_NE(stored.dmFields & DM_FORMNAME, 0u);
    EXPECT_EQ(stored.dmOrientation, DMORIENT_PORTRAIT) << "the rest stays as read";
}

// ---------------------------------------------------------------------------

class GeneralPageOnWine : public WinePrinterTest {};

TEST_F(GeneralPageOnWine, ShowsTheDriversResolutionsAndWritesTheChange) {
    MessageBoxWatcher watcher;
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(ComboItems(page, IDC_RESOLUTION_LIST),
              (std::vector<std::wstring>{L"300 x 300 DPI", L"600 x 600 DPI", L"204 x 98 DPI - Standard FAX mode",
                                         L"204 x 196 DPI - Fine FAX mode"}));
    DEVMODEW before = Stored();
    std::wstring expected = ResolutionText(before.dmPrintQuality, before.dmYResolution);
    ASSERT_NE(ComboSelection(page, IDC_RESOLUTION_LIST), CB_ERR);
    EXPECT_EQ(ComboItems(page, IDC_RESOLUTION_LIST)[ComboSelection(page, IDC_RESOLUTION_LIST)], expected);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT), BST_CHECKED);
    EXPECT_FALSE(IsControlVisible(page, IDC_DRIVER_PROPERTIES));
    EXPECT_TRUE(IsControlEnabled(page, IDC_LANDSCAPE));

    Click(page, IDC_LANDSCAPE);
    ChooseComboItem(page, IDC_RESOLUTION_LIST, 3);
    EXPECT_EQ(Stored().dmOrientation, DMORIENT_PORTRAIT) << "written before the apply";
    EXPECT_TRUE(sheet.Apply());
    DEVMODEW after = Stored();
    EXPECT_EQ(after.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(after.dmPrintQuality, 204);
    EXPECT_EQ(after.dmYResolution, 196);
    EXPECT_EQ(after.dmPaperSize, before.dmPaperSize);
    EXPECT_TRUE(watcher.boxes().empty());
}

// The picture control shows `shown` pixel for pixel where the page centres it, and the
// face colour just outside it and in the corner.
void ExpectPicture(HWND picture, HBITMAP shown, const char* what) {
    RECT area;
    GetClientRect(picture, &area);
    BITMAP size{};
    GetObjectW(shown, sizeof size, &size);
    POINT at = CenteredPicturePosition(area, size.bmWidth, size.bmHeight);
    HDC dc = GetDC(picture);
    HDC expected = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(expected, shown);
    int differing = 0;
    for (int y = 0; y < size.bmHeight; ++y)
        for (int x = 0; x < size.bmWidth; ++x)
            if (GetPixel(dc, at.x + x, at.y + y) != GetPixel(expected, x, y)) ++differing;
    SelectObject(expected, previous);
    DeleteDC(expected);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(differing, 0) << what;
    EXPECT_EQ(GetPixel(dc, area.left, area.top), face) << what;
    EXPECT_EQ(GetPixel(dc, at.x - 1, at.y + size.bmHeight / 2), face) << what;
    EXPECT_EQ(GetPixel(dc, at.x + size.bmWidth, at.y + size.bmHeight / 2), face) << what;
    EXPECT_EQ(GetPixel(dc, at.x + size.bmWidth / 2, at.y - 1), face) << what;
    EXPECT_EQ(GetPixel(dc, at.x + size.bmWidth / 2, at.y + size.bmHeight), face) << what;
    ReleaseDC(picture, dc);
}

// No picture: the control is one colour throughout.
void ExpectNoPicture(HWND picture, const char* what) {
    RECT area;
    GetClientRect(picture, &area);
    HDC dc = GetDC(picture);
    const COLORREF corner = GetPixel(dc, area.left, area.top);
    int differing = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (GetPixel(dc, x, y) != corner) ++differing;
    ReleaseDC(picture, dc);
    EXPECT_EQ(differing, 0) << what;
}

TEST_F(GeneralPageOnWine, PictureFollowsTheOrientationCentred) {
    // As the entry point loads them.
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));
    ASSERT_TRUE(PortraitBitmap && LandscapeBitmap);
    {
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
        HWND picture = GetDlgItem(page, IDC_ORIENTATION_PICTURE);
        for (int button : {IDC_LANDSCAPE, IDC_PORTRAIT}) {
            Click(page, button);
            UpdateWindow(picture);
            if (button == IDC_PORTRAIT)
                ExpectPicture(picture, PortraitBitmap.get(), "portrait");
            else
                ExpectPicture(picture, LandscapeBitmap.get(), "landscape");
        }
    }
    // Orientations other than 1 and 2 in the device mode: landscape above 0, nothing at
    // 0 or below.
    struct RestoreOrientation {
        short stored = Stored().dmOrientation;
        ~RestoreOrientation() { SetDriverOrientation(stored); }
    } restore;
    for (short orientation : {3, 0, -1}) {
        ASSERT_TRUE(SetDriverOrientation(orientation));
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
        ASSERT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT) | IsDlgButtonChecked(page, IDC_LANDSCAPE),
                  static_cast<UINT>(BST_UNCHECKED))
            << "orientation " << orientation << " must reach the page";
        HWND picture = GetDlgItem(page, IDC_ORIENTATION_PICTURE);
        UpdateWindow(picture);
        const std::string what = "orientation " + std::to_string(orientation);
        if (orientation > 0)
            ExpectPicture(picture, LandscapeBitmap.get(), what.c_str());
        else
            ExpectNoPicture(picture, what.c_str());
    }
    PortraitBitmap.reset();
    LandscapeBitmap.reset();
}

// ---------------------------------------------------------------------------

class PaperPageOnWine : public WinePrinterTest {};

TEST_F(PaperPageOnWine, ListsThePapersWithSizesAndKeepsDeleteOffForBuiltInForms) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(ComboItems(page, IDC_PAPER_LIST),
              (std::vector<std::wstring>{L"A4", L"US Letter", L"A5", L"US Legal", LongPaperName}));
    EXPECT_EQ(ComboSelection(page, IDC_PAPER_LIST), 0) << "A4 is stored";
    // A new prefix measures in U.S. units.
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_ENGLISH), BST_CHECKED);
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"8.27");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"11.69");
    EXPECT_EQ(ControlText(page, IDC_WIDTH_UNIT), L"in");
    Click(page, IDC_METRIC);
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"210.00");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"297.00");
    EXPECT_EQ(ControlText(page, IDC_LENGTH_UNIT), L"mm");

    EXPECT_TRUE(IsControlEnabled(page, IDC_ADD_FORM));
    for (int index = 0; index < 5; ++index) {
        ChooseComboItem(page, IDC_PAPER_LIST, index);
        EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM)) << "paper " << index;
    }
    EXPECT_EQ(ControlText(page, IDC_PAPER_WIDTH), L"101.60");
    EXPECT_EQ(ControlText(page, IDC_PAPER_LENGTH), L"254.00");
}

// Switches the Paper page to the unit `chosen`, applies and closes the sheet; returns
// the unit button checked in the next sheet, whose unit labels must match it.
int UnitOfTheNextSheetAfterChoosing(int chosen) {
    {
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
        Click(page, chosen);
        EXPECT_EQ(IsDlgButtonChecked(page, chosen), BST_CHECKED);
        EXPECT_TRUE(sheet.Apply());
    }
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    const int shown = IsDlgButtonChecked(page, IDC_METRIC) == BST_CHECKED ? IDC_METRIC : IDC_ENGLISH;
    EXPECT_EQ(ControlText(page, IDC_WIDTH_UNIT), shown == IDC_METRIC ? L"mm" : L"in");
    return shown;
}

TEST_F(PaperPageOnWine, TheNextSheetFollowsTheLocaleAgainWhateverUnitWasChosen) {
    EXPECT_EQ(UnitOfTheNextSheetAfterChoosing(IDC_METRIC), IDC_ENGLISH);
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, L"0"));
    const int metricLocale = UnitOfTheNextSheetAfterChoosing(IDC_ENGLISH);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, L"1");
    EXPECT_EQ(metricLocale, IDC_METRIC);
}

TEST_F(PaperPageOnWine, ChosenPaperIsStoredOnApply) {
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_PAPER_PAGE);
    ChooseComboItem(page, IDC_PAPER_LIST, 1);
    EXPECT_EQ(Stored().dmPaperSize, DMPAPER_A4);
    EXPECT_TRUE(sheet.Apply());
    DEVMODEW stored = Stored();
    EXPECT_EQ(stored.dmPaperSize, DMPAPER_LETTER);
    EXPECT_EQ(std::wstring(stored.dmFormName), L"US Letter");
    EXPECT_FALSE(IsControlEnabled(page, IDC_DELETE_FORM));
}

// ---------------------------------------------------------------------------

class NewFormOnWine : public WinePrinterTest {
protected:
    void SetUp() override {
        WinePrinterTest::SetUp();
        dialog_ = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(IDD_NEW_FORM), nullptr, NewFormDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        WinePrinterTest::TearDown();
    }
    bool Accepts(const wchar_t* name, const wchar_t* width, const wchar_t* length) {
        TypeOver(dialog_, IDC_FORM_NAME, name);
        TypeOver(dialog_, IDC_PAPER_WIDTH, width);
        TypeOver(dialog_, IDC_PAPER_LENGTH, length);
        return IsControlEnabled(dialog_, IDOK);
    }
    HWND dialog_ = nullptr;
};

TEST_F(NewFormOnWine, StartsInTheLocalesUnitWithOkDisabled) {
    wchar_t caption[64] = {};
    GetWindowTextW(dialog_, caption, 64);
    EXPECT_EQ(std::wstring(caption), L"New Paper Form");
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_ENGLISH), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_METRIC), BST_UNCHECKED);
    EXPECT_FALSE(IsControlEnabled(dialog_, IDOK));
    // Labelled for the unit it starts in, not the template's "mm" and "[min ... max]".
    EXPECT_EQ(ControlText(dialog_, IDC_WIDTH_UNIT), L"in");
    EXPECT_EQ(ControlText(dialog_, IDC_LENGTH_UNIT), L"in");
    EXPECT_EQ(ControlText(dialog_, IDC_WIDTH_RANGE), L"[1 ... 33]");
    EXPECT_EQ(ControlText(dialog_, IDC_LENGTH_RANGE), L"[1 ... 46]");
}

TEST_F(NewFormOnWine, AMetricUserStartsInMillimetresWithTheirLabels) {
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, L"0"));
    HWND metric = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(IDD_NEW_FORM), nullptr, NewFormDialogProc, 0);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, L"1");
    ASSERT_NE(metric, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(metric, IDC_METRIC), BST_CHECKED);
    EXPECT_EQ(ControlText(metric, IDC_WIDTH_UNIT), L"mm");
    EXPECT_EQ(ControlText(metric, IDC_LENGTH_UNIT), L"mm");
    EXPECT_EQ(ControlText(metric, IDC_WIDTH_RANGE), L"[25 ... 841]");
    EXPECT_EQ(ControlText(metric, IDC_LENGTH_RANGE), L"[25 ... 1189]");
    DestroyWindow(metric);
}

TEST_F(NewFormOnWine, NamesOfThePrintServersFormsAreTakenCaseSensitively) {
    Click(dialog_, IDC_METRIC);
    EXPECT_FALSE(Accepts(L"Letter", L"100", L"100"));
    EXPECT_TRUE(Accepts(L"letter", L"100", L"100"));
    EXPECT_TRUE(Accepts(L"Letter ", L"100", L"100")) << "spaces count";
    EXPECT_TRUE(Accepts(L"   ", L"100", L"100"));
    EXPECT_FALSE(Accepts(L"", L"100", L"100"));
    TypeOver(dialog_, IDC_FORM_NAME, std::wstring(40, L'x'));
    EXPECT_EQ(ControlText(dialog_, IDC_FORM_NAME), std::wstring(31, L'x'));
}

TEST_F(NewFormOnWine, LimitsAreInclusiveInMillimetres) {
    Click(dialog_, IDC_METRIC);
    EXPECT_TRUE(Accepts(L"Edge", L"25", L"1189"));
    EXPECT_TRUE(Accepts(L"Edge", L"841", L"25"));
    EXPECT_FALSE(Accepts(L"Edge", L"24.99", L"100"));
    EXPECT_FALSE(Accepts(L"Edge", L"100", L"1189.01"));
    EXPECT_FALSE(Accepts(L"Edge", L"841.01", L"100"));
    EXPECT_TRUE(Accepts(L"Edge", L" 100 ", L"100"));
    EXPECT_FALSE(Accepts(L"Edge", L"100 mm", L"100")) << "only a number is a length";
    EXPECT_FALSE(Accepts(L"Edge", L"abc", L"100"));
    EXPECT_FALSE(Accepts(L"Edge", L"100,5", L"100")) << "no decimal comma for this user: refused, not cut";
}

TEST_F(NewFormOnWine, InchesAreJudgedInMillimetresAndHandedBackInThousandths) {
    ASSERT_EQ(IsDlgButtonChecked(dialog_, IDC_ENGLISH), BST_CHECKED);
    EXPECT_FALSE(Accepts(L"Inch", L"0.98", L"5"));
    EXPECT_TRUE(Accepts(L"Inch", L"0.99", L"5"));
    EXPECT_TRUE(Accepts(L"Inch", L"33.1", L"46.8"));
    ASSERT_TRUE(Accepts(L"Half Letter", L"8.5", L"11"));
    NewPaperForm = {};
    Click(dialog_, IDOK);
    EXPECT_EQ(std::wstring(NewPaperForm.name), L"Half Letter");
    EXPECT_DOUBLE_EQ(NewPaperForm.width, 215900.0);
    EXPECT_DOUBLE_EQ(NewPaperForm.length, 279400.0);
}

TEST_F(NewFormOnWine, SwitchingUnitsConvertsAndRoundsTheEntries) {
    Click(dialog_, IDC_METRIC);
    Accepts(L"A4 copy", L"210", L"297");
    Click(dialog_, IDC_ENGLISH);
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_WIDTH), L"8.27");
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_LENGTH), L"11.69");
    EXPECT_EQ(ControlText(dialog_, IDC_WIDTH_UNIT), L"in");
    EXPECT_EQ(ControlText(dialog_, IDC_WIDTH_RANGE), L"[1 ... 33]");
    EXPECT_EQ(ControlText(dialog_, IDC_LENGTH_RANGE), L"[1 ... 46]");
    Click(dialog_, IDC_ENGLISH);  // the unit already chosen: nothing happens
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_WIDTH), L"8.27");
    Click(dialog_, IDC_METRIC);
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_WIDTH), L"210.06");
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_LENGTH), L"296.93");
    EXPECT_EQ(ControlText(dialog_, IDC_LENGTH_UNIT), L"mm");
    EXPECT_EQ(ControlText(dialog_, IDC_LENGTH_RANGE), L"[25 ... 1189]");
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_METRIC), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_ENGLISH), BST_UNCHECKED);

    TypeOver(dialog_, IDC_PAPER_WIDTH, L"21O");
    Click(dialog_, IDC_ENGLISH);
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_WIDTH), L"21O") << "no length: kept as typed";
    EXPECT_EQ(ControlText(dialog_, IDC_PAPER_LENGTH), L"11.69");
}

// ---------------------------------------------------------------------------
// The program run as Windows NT 4.0 (LUMAREL_WINE_VERSION=nt40): the machine-wide
// device mode, level 2.

class LevelTwoOnWine : public WinePrinterTest {
protected:
    void SetUp() override {
        WinePrinterTest::SetUp();
        ASSERT_LT(WindowsVersion().dwMajorVersion, 5u) << "run with LUMAREL_WINE_VERSION=nt40";
        ASSERT_EQ(WindowsVersion().dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    }
};

TEST_F(LevelTwoOnWine, OrientationAndPaperReachThePrinter) {
    MessageBoxWatcher watcher;
    ModelessSheet sheet;
    HWND general = sheet.ShowPage(IDD_GENERAL_PAGE);
    EXPECT_FALSE(IsControlVisible(general, IDC_DRIVER_PROPERTIES));
    Click(general, IDC_LANDSCAPE);
    HWND paper = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_NE(paper, nullptr);
    ChooseComboItem(paper, IDC_PAPER_LIST, 2);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_TRUE(watcher.boxes().empty());
    DEVMODEW stored = Stored();
    EXPECT_EQ(stored.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(stored.dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(std::wstring(stored.dmFormName), L"A5");
}

// ---------------------------------------------------------------------------
// The program run as Windows 98 (LUMAREL_WINE_VERSION=win98).

class Windows98OnWine : public WinePrinterTest {
protected:
    void SetUp() override {
        WinePrinterTest::SetUp();
        ASSERT_EQ(WindowsVersion().dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS))
            << "run with LUMAREL_WINE_VERSION=win98";
    }
};

TEST_F(Windows98OnWine, GeneralPageOffersTheDriversOwnDialogInstead) {
    MessageBoxWatcher watcher;
    ModelessSheet sheet({0, 0, WindowsVersion().dwPlatformId, 0, 0, 0});
    EXPECT_EQ(sheet.ShowPage(IDD_PAPER_PAGE), nullptr) << "no Paper page outside Windows NT";
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_TRUE(IsControlVisible(page, IDC_DRIVER_PROPERTIES));
    EXPECT_TRUE(IsControlEnabled(page, IDC_DRIVER_PROPERTIES));
    EXPECT_FALSE(IsControlEnabled(page, IDC_PORTRAIT));
    EXPECT_FALSE(IsControlEnabled(page, IDC_LANDSCAPE));
    EXPECT_FALSE(IsControlEnabled(page, IDC_RESOLUTION_LIST));
    EXPECT_EQ(ComboItems(page, IDC_RESOLUTION_LIST).size(), 4u);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_PORTRAIT), BST_CHECKED) << "the stored settings are shown";
}

TEST_F(Windows98OnWine, DeviceSettingsAreNotWritten) {
    DEVMODEW before = Stored();
    Failure failure;
    EXPECT_TRUE(ApplyDeviceSettings({DMORIENT_LANDSCAPE, 204, 98}, failure));
    DEVMODEW after = Stored();
    EXPECT_EQ(after.dmOrientation, before.dmOrientation);
    EXPECT_EQ(after.dmPrintQuality, before.dmPrintQuality);
}

// ---------------------------------------------------------------------------
// Display scale: run at 96 DPI with the rest, and at 144 and 192 DPI (150 and 200 %)
// on their own (LUMAREL_WINE_DPI, see tools/wine-run.sh and tests/CMakeLists.txt).

// The pixels of `area` in none of the `background` colours: their extent and colours.
struct PaintedPart {
    int width = 0, height = 0;
    std::set<COLORREF> colours;
};

PaintedPart PaintedPartOf(HDC dc, const RECT& area, const std::set<COLORREF>& background) {
    RECT extent{area.right, area.bottom, area.left - 1, area.top - 1};
    PaintedPart part;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF colour = GetPixel(dc, x, y);
            if (background.count(colour)) continue;
            part.colours.insert(colour);
            extent = {std::min<LONG>(extent.left, x), std::min<LONG>(extent.top, y), std::max<LONG>(extent.right, x),
                      std::max<LONG>(extent.bottom, y)};
        }
    if (!part.colours.empty()) part = {extent.right - extent.left + 1, extent.bottom - extent.top + 1, part.colours};
    return part;
}

class GeneralPageScale : public WinePrinterTest {};

TEST_F(GeneralPageScale, PictureGrowsWithTheDisplayScaleAndStaysSharp) {
    const char* requested = std::getenv("LUMAREL_WINE_DPI");
    const int dpi = requested ? std::atoi(requested) : StandardDpi;
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));
    ASSERT_TRUE(PortraitBitmap && LandscapeBitmap);
    ModelessSheet sheet;
    HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
    ASSERT_NE(page, nullptr);
    HWND picture = GetDlgItem(page, IDC_ORIENTATION_PICTURE);
    ASSERT_EQ(WindowDpi(picture), dpi) << "the display scale of this run";
    RECT area;
    GetClientRect(picture, &area);
    for (int button : {IDC_PORTRAIT, IDC_LANDSCAPE}) {
        SCOPED_TRACE(button == IDC_PORTRAIT ? "portrait" : "landscape");
        Click(page, button);
        UpdateWindow(picture);
        // The bitmap at 100 %, measured as the control is: the paper without its margins.
        HBITMAP shown = button == IDC_PORTRAIT ? PortraitBitmap.get() : LandscapeBitmap.get();
        BITMAP size{};
        GetObjectW(shown, sizeof size, &size);
        HDC memory = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(memory, shown);
        // The bitmap's margins have the face colour of Windows, which need not be this system's.
        const std::set<COLORREF> background{GetSysColor(COLOR_BTNFACE), GetPixel(memory, 0, 0)};
        const PaintedPart natural = PaintedPartOf(memory, {0, 0, size.bmWidth, size.bmHeight}, background);
        SelectObject(memory, previous);
        DeleteDC(memory);

        HDC dc = GetDC(picture);
        const PaintedPart painted = PaintedPartOf(dc, area, background);
        ReleaseDC(picture, dc);
        EXPECT_NEAR(painted.width, natural.width * dpi / 96.0, 1.0);
        EXPECT_NEAR(painted.height, natural.height * dpi / 96.0, 1.0);
        // Sharp: the bitmap's own colours alone, none blended from two of them.
        std::vector<COLORREF> blended;
        for (COLORREF colour : painted.colours)
            if (!natural.colours.count(colour)) blended.push_back(colour);
        EXPECT_TRUE(blended.empty()) << blended.size() << " colours not in the bitmap, such as " << std::hex
                                     << (blended.empty() ? 0 : blended.front());
    }
    PortraitBitmap.reset();
    LandscapeBitmap.reset();
}

// A high-contrast theme, switched on as Windows keeps the setting (Wine 8 keeps none of
// its own), in the theme's colours.
std::set<COLORREF> ColoursOf(HWND control) {
    UpdateWindow(control);
    RECT area;
    GetClientRect(control, &area);
    HDC dc = GetDC(control);
    std::set<COLORREF> colours;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) colours.insert(GetPixel(dc, x, y));
    ReleaseDC(control, dc);
    return colours;
}

TEST_F(GeneralPageScale, HighContrastPaintsPictureAndBannerInTheThemesColoursAlone) {
    PortraitBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_PORTRAIT)));
    LandscapeBitmap.reset(LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_LANDSCAPE)));
    const INT elements[] = {COLOR_BTNFACE, COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF theme[] = {RGB(0, 0, 0), RGB(0, 0, 96), RGB(255, 255, 0)};
    COLORREF before[3];
    for (int i = 0; i < 3; ++i) before[i] = GetSysColor(elements[i]);
    {
        // Switched on while the sheet is open: the system's notice redraws the picture.
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_GENERAL_PAGE);
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(SetSysColors(3, elements, theme));
        UpdateWindow(sheet.window());
        SetText(HKEY_CURRENT_USER, HighContrastKeyPath, L"Flags", L"127");
        SendMessageW(sheet.window(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        EXPECT_EQ(ColoursOf(GetDlgItem(page, IDC_ORIENTATION_PICTURE)), std::set<COLORREF>(theme, theme + 3));
        for (int button : {IDC_PORTRAIT, IDC_LANDSCAPE}) {
            Click(page, button);
            // The face around the paper, the paper as a window, its edge and marks as the window's text.
            EXPECT_EQ(ColoursOf(GetDlgItem(page, IDC_ORIENTATION_PICTURE)), std::set<COLORREF>(theme, theme + 3))
                << (button == IDC_PORTRAIT ? "portrait" : "landscape");
        }
        HWND about = sheet.ShowPage(IDD_ABOUT_PAGE);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(ColoursOf(GetDlgItem(about, IDC_ABOUT_BANNER)), std::set<COLORREF>(theme + 1, theme + 3));
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, HighContrastKeyPath);
    SetSysColors(3, elements, before);
    PortraitBitmap.reset();
    LandscapeBitmap.reset();
}

}  // namespace
