// Opening and closing the nested dialogs again and again, and going through every
// page, must leave the process holding what it held before: every handle, GDI object
// and window is given back by whoever took it.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "app/sheet_internal.h"
#include "base/globals.h"
#include "device/printer_access.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/resource_counters.h"

namespace {

constexpr int Rounds = 100;

class HandleHygieneTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        // PDF saving on, so that "New" can be pressed as a user presses it.
        SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
        ASSERT_EQ(LoadSheetSettings(), 1);
    }
};

// Opens the modal window titled `caption` with a click on `buttonId` of `page` and
// cancels it as soon as it runs; returns how many times it was seen.
int OpenAndCancel(HWND page, int buttonId, const wchar_t* caption) {
    ModalDriver driver(caption, {[](HWND window) { PostClick(window, IDCANCEL); }});
    Click(page, buttonId);
    return driver.windowsSeen();
}

void ShowEveryPage(HWND sheet) {
    for (int index = 0; SendMessageW(sheet, PSM_SETCURSEL, index, 0); ++index) PumpMessages();
    SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
    PumpMessages();
}

void ExpectSameCounts(const ResourceCounts& before, const ResourceCounts& after) {
    EXPECT_EQ(before.kernelHandles, after.kernelHandles) << "kernel handles (registry keys included)";
    EXPECT_EQ(before.gdiObjects, after.gdiObjects) << "GDI objects (-1: not counted in a 32-bit process)";
    EXPECT_EQ(before.windows, after.windows) << "windows";
}

TEST_F(HandleHygieneTest, TheCountersSeeWhatTheProcessTakes) {
    // Without this the test below could pass on counters that never move. The first
    // window of a thread brings helpers of its own that live as long as it has windows:
    // keep one open while counting.
    HWND first = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ResourceCounts before = CountResources();
    ASSERT_GT(before.kernelHandles, 0);
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ResourceCounts during = CountResources();
    EXPECT_EQ(before.kernelHandles + 1, during.kernelHandles);
    if (before.gdiObjects >= 0) {
        EXPECT_EQ(before.gdiObjects + 1, during.gdiObjects);
    }
    EXPECT_EQ(before.windows + 1, during.windows);
    DestroyWindow(window);
    DeleteObject(brush);
    CloseHandle(event);
    ExpectSameCounts(before, CountResources());
    DestroyWindow(first);
}

TEST_F(HandleHygieneTest, NestedDialogsAndPageSwitchesGiveBackWhatTheyTake) {
    ModelessSheet sheet;
    HWND pdfPage = sheet.ShowPage(IDD_PDF_PAGE);
    ASSERT_NE(pdfPage, nullptr);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(pdfPage, IDC_PDF_NEW)));
    HWND paperPage = sheet.ShowPage(IDD_PAPER_PAGE);
    ASSERT_NE(paperPage, nullptr);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(paperPage, IDC_ADD_FORM)));
    // A first round of everything, so that what is made once per process (classes,
    // the spooler's and the common controls' own state) is made before counting.
    ShowEveryPage(sheet.window());
    ASSERT_EQ(1, OpenAndCancel(pdfPage, IDC_PDF_NEW, L"PDF Profile Properties"));
    ASSERT_EQ(1, OpenAndCancel(paperPage, IDC_ADD_FORM, L"New Paper Form"));
    ResourceCounts before = CountResources();

    int profileSheets = 0, formDialogs = 0;
    for (int round = 0; round < Rounds; ++round) profileSheets += OpenAndCancel(pdfPage, IDC_PDF_NEW, L"PDF Profile Properties");
    for (int round = 0; round < Rounds; ++round) formDialogs += OpenAndCancel(paperPage, IDC_ADD_FORM, L"New Paper Form");
    for (int round = 0; round < 10; ++round) ShowEveryPage(sheet.window());

    EXPECT_EQ(Rounds, profileSheets);
    EXPECT_EQ(Rounds, formDialogs);
    ExpectSameCounts(before, CountResources());
}

}  // namespace
