#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/sheet_internal.h"
#include "base/texts.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/registry_fixture.h"

namespace {

using P = SheetPage;

SheetConditions AllPages() { return {0, 0, VER_PLATFORM_WIN32_NT, 0, 0, 0}; }

TEST(PageTable, OrderAndConditions) {
    EXPECT_EQ(PresentPageKinds(AllPages()), (std::vector<P>{P::General, P::Paper, P::Agent, P::Emf, P::Pdf, P::About}));

    SheetConditions c = AllPages();
    c.noGeneral = 1;
    EXPECT_EQ(PresentPageKinds(c), (std::vector<P>{P::Paper, P::Agent, P::Emf, P::Pdf, P::About}));

    c = AllPages();
    c.platformId = VER_PLATFORM_WIN32_WINDOWS;  // no Paper page outside Windows NT
    EXPECT_EQ(PresentPageKinds(c), (std::vector<P>{P::General, P::Agent, P::Emf, P::Pdf, P::About}));

    c = AllPages();
    c.agentHidePage = 1;
    c.pdfHidePage = 7;  // any non-zero value hides
    EXPECT_EQ(PresentPageKinds(c), (std::vector<P>{P::General, P::Paper, P::Emf, P::About}));

    SheetConditions none{1, 1, VER_PLATFORM_WIN32_NT, 1, 1, 1};
    EXPECT_EQ(PresentPageKinds(none), (std::vector<P>{P::About}));
}

TEST(PageTable, SlotsUseTheTemplatesAndTitles) {
    SheetConditions c = AllPages();
    std::vector<PageSlot> slots = PresentPages(c);
    ASSERT_FALSE(slots.empty());
    EXPECT_EQ(slots.back().templateId, IDD_ABOUT_PAGE);
    EXPECT_EQ(slots.back().titleId, 0u) << "About: its template's caption";
    bool sawEmf = false, sawPaper = false;
    for (const PageSlot& slot : slots) {
        EXPECT_NE(slot.proc, nullptr);
        if (slot.templateId == IDD_EMF_PAGE) {
            sawEmf = true;
            EXPECT_EQ(slot.titleId, 0u) << "EMF: its template's caption";
        }
        if (slot.templateId == IDD_PAPER_PAGE) {
            sawPaper = true;
            EXPECT_EQ(LoadText(slot.titleId), L"Paper");
        }
    }
    EXPECT_TRUE(sawEmf);
    EXPECT_TRUE(sawPaper);
    c.emfHidePage = 1;
    for (const PageSlot& slot : PresentPages(c)) EXPECT_NE(slot.templateId, IDD_EMF_PAGE);
}

TEST(StartPage, LastViewedPageWhenInRange) {
    EXPECT_EQ(StartPage(5, 6), 5);
    EXPECT_EQ(StartPage(0, 6), 0);
    EXPECT_EQ(StartPage(6, 6), 0);
    EXPECT_EQ(StartPage(-1, 6), 0);
    EXPECT_EQ(StartPage(3, 1), 0);  // About alone
}

DWORD StyleAt(const std::vector<unsigned char>& bytes, size_t offset) {
    DWORD style;
    std::memcpy(&style, bytes.data() + offset, sizeof style);
    return style;
}

TEST(SheetTemplate, ExtendedTemplateLosesHelpAndIsCentred) {
    std::vector<unsigned char> t(32, 0);
    const WORD header[2] = {1, 0xFFFF};  // dlgVer, signature
    std::memcpy(t.data(), header, sizeof header);
    DWORD style = WS_POPUP | WS_CAPTION | DS_CONTEXTHELP | DS_MODALFRAME;
    std::memcpy(t.data() + 12, &style, sizeof style);
    AdjustSheetTemplate(t.data());
    EXPECT_EQ(StyleAt(t, 12), static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER));
    EXPECT_EQ(StyleAt(t, 0), 0x0000FFFFu << 16 | 1u);  // the header is left alone
}

TEST(SheetTemplate, PlainTemplateStyleComesFirst) {
    std::vector<unsigned char> t(32, 0);
    DWORD style = WS_POPUP | DS_CONTEXTHELP | DS_3DLOOK;
    std::memcpy(t.data(), &style, sizeof style);
    AdjustSheetTemplate(t.data());
    EXPECT_EQ(StyleAt(t, 0), static_cast<DWORD>(WS_POPUP | DS_3DLOOK | DS_CENTER));
}

class SheetCallbackTest : public RegistryTest {};

TEST_F(SheetCallbackTest, ButtonPressStoresLastViewedPage) {
    ResetButtonPressReport();
    Settings.LastViewedPage = 4;
    EXPECT_EQ(SheetCallback(nullptr, PSCB_BUTTONPRESSED, PSBTN_CANCEL), 0);
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page"), 4u);
    EXPECT_TRUE(SheetReportedButtonPress());

    Settings.LastViewedPage = -1;  // stored as the signed value's four bytes
    SheetCallback(nullptr, PSCB_BUTTONPRESSED, PSBTN_OK);
    EXPECT_EQ(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page"), 0xFFFFFFFFu);
}

TEST_F(SheetCallbackTest, UnwritableUserKeyIsSilent) {
    DenyAccess(HKEY_CURRENT_USER, UserKeyPath);
    Settings.LastViewedPage = 2;
    EXPECT_EQ(SheetCallback(nullptr, PSCB_BUTTONPRESSED, PSBTN_APPLYNOW), 0);
    RestoreAccess(HKEY_CURRENT_USER, UserKeyPath);
    EXPECT_FALSE(ReadStoredDword(HKEY_CURRENT_USER, UserKeyPath, L"Last Viewed Page").has_value());
}

TEST_F(SheetCallbackTest, InitializedSetsBothIcons) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SheetCallback(window, PSCB_INITIALIZED, 0), 0);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    DestroyWindow(window);
    EXPECT_EQ(SheetCallback(nullptr, PSCB_INITIALIZED, 0), 0);  // no window: nothing to do
}

}  // namespace
