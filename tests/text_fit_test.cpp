// Every text of every page and dialog, in every language the module has, fits the room
// its control gives it, measured with the control's own font at the display scale the
// test runs at (100, 150 and 200 %: tests/CMakeLists.txt), and is drawn with real glyphs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/display_scale.h"
#include "base/globals.h"
#include "base/texts.h"
#include "res/resource.h"
#include "tests/support/dialog_input.h"
#include "tests/support/language_resources.h"

namespace {

// The six pages, "New Paper Form", the three pages of "PDF Profile Properties" and the
// dialogs of Export and Import.
const std::vector<int> Templates = {
    IDD_GENERAL_PAGE,        IDD_PAPER_PAGE,       IDD_AGENT_PAGE,       IDD_EMF_PAGE,        IDD_PDF_PAGE,
    IDD_ABOUT_PAGE,          IDD_NEW_FORM,         IDD_PROFILE_DESCRIPTION, IDD_PROFILE_SECURITY,
    IDD_PROFILE_ADVANCED,    IDD_EXPORT_PROFILES,  IDD_IMPORT_CONFLICT};

// Texts the code puts into a control, from the string table: `count` strings from
// `firstString`, their "%d" and "%s" completed with the longest values a user meets
// (resolutions and a version come from the printer and the machine). Labels and buttons show them in place of
// the template's text, combo and list boxes as items.
struct RunTimeText {
    int templateId;
    int controlId;
    UINT firstString;
    int count;
    std::wstring (*complete)(const std::wstring& pattern);
};
std::wstring AsIs(const std::wstring& pattern) { return pattern; }
std::wstring MetricRange(const std::wstring& pattern) { return FormatString(pattern.c_str(), 25, 1189); }

const RunTimeText RunTimeTexts[] = {
    {IDD_ABOUT_PAGE, IDC_ABOUT_VERSION, IDS_VERSION_TEXT, 1,
     [](const std::wstring& pattern) { return FormatString(pattern.c_str(), L"10.12.3456"); }},
    {IDD_ABOUT_PAGE, IDC_ABOUT_WEBSITE, IDS_WEB_SITE_BUTTON, 1, AsIs},
    {IDD_GENERAL_PAGE, IDC_RESOLUTION_LIST, IDS_RESOLUTION, 1,
     [](const std::wstring& pattern) { return FormatString(pattern.c_str(), 1200, 1200); }},
    {IDD_GENERAL_PAGE, IDC_RESOLUTION_LIST, IDS_RESOLUTION_STANDARD_FAX, 2,
     [](const std::wstring& pattern) { return FormatString(pattern.c_str(), 204, 196); }},
    {IDD_PAPER_PAGE, IDC_WIDTH_UNIT, IDS_UNIT_MM, 2, AsIs},
    {IDD_PAPER_PAGE, IDC_LENGTH_UNIT, IDS_UNIT_MM, 2, AsIs},
    {IDD_NEW_FORM, IDC_WIDTH_UNIT, IDS_UNIT_MM, 2, AsIs},
    {IDD_NEW_FORM, IDC_LENGTH_UNIT, IDS_UNIT_MM, 2, AsIs},
    {IDD_NEW_FORM, IDC_WIDTH_RANGE, IDS_SIZE_RANGE, 1, MetricRange},
    {IDD_NEW_FORM, IDC_LENGTH_RANGE, IDS_SIZE_RANGE, 1, MetricRange},
    {IDD_AGENT_PAGE, IDC_AGENT_MODE, IDS_TRANSFER_MODES, 3, AsIs},
    {IDD_PROFILE_ADVANCED, IDC_PAGE_LAYOUT, IDS_PAGE_LAYOUTS, 4, AsIs},
    {IDD_PROFILE_ADVANCED, IDC_PAGE_MODE, IDS_PAGE_MODES, 4, AsIs},
    {IDD_PROFILE_ADVANCED, IDC_DOCUMENT_COMPRESSION, IDS_DOCUMENT_COMPRESSIONS, 2, AsIs},
    {IDD_PROFILE_ADVANCED, IDC_IMAGES_COMPRESSION, IDS_IMAGES_COMPRESSIONS, 5, AsIs},
    {IDD_PROFILE_ADVANCED, IDC_PDF_VERSION, IDS_PDF_VERSIONS, 2, AsIs},
    // A name of 40 characters and the name a copy of it gets.
    {IDD_IMPORT_CONFLICT, IDC_CONFLICT_TEXT, IDS_IMPORT_CONFLICT, 1,
     [](const std::wstring& pattern) {
         const std::wstring name = L"Quarterly reports for the northern region";
         return FormatString(pattern.c_str(), name.c_str(), (name + L" - Copy (2)").c_str());
     }},
};

// The room a control gives its text, in pixels, and how it lays the text out (DrawText
// flags). None for controls whose text the user types or that draw it themselves.
struct Room {
    int width;
    int height;
    UINT format;
};

std::optional<Room> RoomFor(HWND control, HDC dc, int dpi) {
    RECT client{};
    GetClientRect(control, &client);
    Room room{client.right, client.bottom, DT_SINGLELINE};
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring kind = ClassNameOf(control);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    if (_wcsicmp(kind.c_str(), L"Static") == 0) {
        switch (style & SS_TYPEMASK) {
            case SS_LEFT: case SS_CENTER: case SS_RIGHT: room.format = DT_WORDBREAK; break;
            case SS_LEFTNOWORDWRAP: case SS_SIMPLE: break;
            default: return std::nullopt;  // pictures, owner-drawn
        }
        if (style & SS_NOPREFIX) room.format |= DT_NOPREFIX;
    } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
        switch (style & BS_TYPEMASK) {
            // The title sits on the frame, indented from both corners.
            case BS_GROUPBOX: room.width -= 2 * metrics.tmAveCharWidth; break;
            // Inside the raised frame and the focus rectangle.
            case BS_PUSHBUTTON: case BS_DEFPUSHBUTTON: room.width -= 2 * ScaleToDpi(3, dpi); break;
            // Beside the box and the gap after it.
            case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
            case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: {
                INT zero = 0;
                GetCharWidth32W(dc, L'0', L'0', &zero);
                room.width -= SystemMetricForDpi(SM_CXMENUCHECK, dpi) + zero / 2;
                break;
            }
            default: return std::nullopt;
        }
        if (style & BS_MULTILINE) room.format = DT_WORDBREAK;
    } else if (_wcsicmp(kind.c_str(), L"ComboBox") == 0 || _wcsicmp(kind.c_str(), L"ListBox") == 0) {
        // Items, beside the drop-down button or the scroll bar, with a margin each side.
        room.width -= SystemMetricForDpi(SM_CXVSCROLL, dpi) + 2 * ScaleToDpi(2, dpi);
        room.format |= DT_NOPREFIX;
    } else {
        return std::nullopt;
    }
    return room;
}

// Characters of `text` that the font selected into `dc` has no glyph for.
std::wstring MissingGlyphs(HDC dc, const std::wstring& text) {
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    std::wstring missing;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= L' ' && glyphs[i] == 0xFFFF) missing += text[i];
    }
    return missing;
}

INT_PTR CALLBACK TemplateOnlyProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The ANSI code page of a language's users, by which the system picks the fonts that
// stand in for the dialogs' "MS Shell Dlg".
UINT CodePageOf(LANGID language) {
    UINT codePage = 0;
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR));
    return codePage;
}

// What a control shows in `language`: its template's text and what the code puts into it.
std::vector<std::wstring> TextsOf(HWND control, int templateId, LANGID language) {
    std::vector<std::wstring> texts = {WindowTextOf(control)};
    for (const RunTimeText& row : RunTimeTexts) {
        if (row.templateId != templateId || row.controlId != GetDlgCtrlID(control)) continue;
        for (int i = 0; i < row.count; ++i) {
            const std::wstring pattern = StringIn(AppInstance, row.firstString + i, language);
            EXPECT_FALSE(pattern.empty()) << "string " << row.firstString + i << " in " << LanguageName(language);
            texts.push_back(row.complete(pattern));
        }
    }
    return texts;
}

// Measures every text of every control of the dialog made from `templateId` in
// `language`; returns how many texts were measured.
int CheckDialogTexts(int templateId, LANGID language, int dpi) {
    const DLGTEMPLATE* dialogTemplate = DialogTemplateIn(AppInstance, templateId, language);
    HWND dialog = dialogTemplate
                      ? CreateDialogIndirectParamW(AppInstance, dialogTemplate, nullptr, TemplateOnlyProc, 0)
                      : nullptr;
    EXPECT_NE(dialog, nullptr) << "dialog " << templateId << " in " << LanguageName(language);
    if (!dialog) return 0;
    const std::wstring where = L"of \"" + WindowTextOf(dialog) + L"\" (" + std::to_wstring(templateId) + L") in " +
                               LanguageName(language) + L" at " + std::to_wstring(MulDiv(dpi, 100, StandardDpi)) +
                               L" %";
    // Made without a parent, it is mirrored by its own template alone.
    EXPECT_EQ((GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0, ReadsRightToLeft(language))
        << "mirroring " << where;
    int measured = 0;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        HDC dc = GetDC(control);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        const std::optional<Room> room = RoomFor(control, dc, dpi);
        for (const std::wstring& text : TextsOf(control, templateId, language)) {
            if (!room || text.empty()) continue;
            EXPECT_EQ(MissingGlyphs(dc, text), L"")
                << "no glyphs in the font of control " << GetDlgCtrlID(control) << " " << where << ": \"" << text << "\"";
            RECT needed{0, 0, room->width, 0};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, room->format | DT_CALCRECT);
            EXPECT_TRUE(needed.right <= room->width && needed.bottom <= room->height)
                << "control " << GetDlgCtrlID(control) << " " << where << ": \"" << text << "\" needs "
                << needed.right << " x " << needed.bottom << " pixels, has " << room->width << " x " << room->height;
            ++measured;
        }
        SelectObject(dc, previous);
        ReleaseDC(control, dc);
    }
    DestroyWindow(dialog);
    return measured;
}

// The languages this session measures. It shows its user's language where the module
// has it, English otherwise; the languages of its code page have its fonts and are
// measured here too. The others are measured in sessions of their own
// (tests/CMakeLists.txt).
std::vector<LANGID> MeasuredLanguages() {
    const LANGID user = GetUserDefaultUILanguage();
    LANGID shown = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const std::vector<LANGID> languages = DialogLanguages(AppInstance, Templates);
    for (LANGID language : languages) {
        if (PRIMARYLANGID(language) == PRIMARYLANGID(user)) shown = language;
    }
    std::vector<LANGID> measured;
    for (LANGID language : languages) {
        if (language != shown && CodePageOf(language) != GetACP()) {
            std::printf("%ls is measured in a session of its own\n", LanguageName(language).c_str());
        } else {
            measured.push_back(language);
        }
    }
    return measured;
}

TEST(TextFit, EveryTextFitsItsControlInEveryLanguage) {
    int measured = 0;
    for (LANGID language : MeasuredLanguages()) {
        int texts = 0;
        for (int templateId : Templates) texts += CheckDialogTexts(templateId, language, ScreenDpi());
        std::printf("%ls: %d texts measured\n", LanguageName(language).c_str(), texts);
        measured += texts;
    }
    EXPECT_GT(measured, 80);
}

// The main sheet's six pages and the profile sheet's three.
const std::vector<int> Sheets[] = {
    {IDD_GENERAL_PAGE, IDD_PAPER_PAGE, IDD_AGENT_PAGE, IDD_EMF_PAGE, IDD_PDF_PAGE, IDD_ABOUT_PAGE},
    {IDD_PROFILE_DESCRIPTION, IDD_PROFILE_SECURITY, IDD_PROFILE_ADVANCED}};

// The sheet sizes its page area to its widest page, in the dialog units of its own font
// (Wine's Japanese sheet has a larger one than English): each page of a sheet made of
// the language's templates reaches across that area to its far margin (7 units) and no
// control lies outside it. A page narrower than the widest, or in a smaller font than
// the sheet's, leaves an empty band. A right-to-left language's pages are mirrored, as
// its sheet is, and measured from their right edge. Returns how many pages were measured.
int CheckPagesFillTheirSheet(const std::vector<int>& templateIds, LANGID language) {
    std::vector<HPROPSHEETPAGE> pages;
    for (int templateId : templateIds) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_DLGINDIRECT;
        page.hInstance = AppInstance;
        page.pResource = DialogTemplateIn(AppInstance, templateId, language);
        page.pfnDlgProc = TemplateOnlyProc;
        if (page.pResource) pages.push_back(CreatePropertySheetPageW(&page));
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = pages.data();
    HWND sheet = pages.size() == templateIds.size() ? reinterpret_cast<HWND>(PropertySheetW(&header)) : nullptr;
    EXPECT_NE(sheet, nullptr) << "sheet of " << templateIds.front() << " in " << LanguageName(language);
    if (!sheet) return 0;
    int measured = 0;
    for (size_t i = 0; i < templateIds.size(); ++i) {
        SendMessageW(sheet, PSM_SETCURSEL, i, 0);
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        RECT area{};
        GetClientRect(page, &area);
        LONG reached = 0;
        for (HWND control = GetWindow(page, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
            RECT box{};
            GetWindowRect(control, &box);
            // In a mirrored page's own coordinates: from its right edge.
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
            if (box.left > box.right) std::swap(box.left, box.right);
            EXPECT_TRUE(box.left >= 0 && box.right <= area.right && box.top >= 0 && box.bottom <= area.bottom)
                << "control " << GetDlgCtrlID(control) << " of page " << templateIds[i] << " in "
                << LanguageName(language) << " lies outside it: " << box.left << ".." << box.right << " of "
                << area.right << " pixels";
            reached = std::max(reached, box.right);
        }
        RECT margin{0, 0, 8, 0};  // 7 units, and one for rounding
        MapDialogRect(page, &margin);
        EXPECT_GE(reached, area.right - margin.right)
            << "page " << templateIds[i] << " in " << LanguageName(language) << " at "
            << MulDiv(ScreenDpi(), 100, StandardDpi) << " %: its controls end at " << reached << " of "
            << area.right << " pixels";
        ++measured;
    }
    DestroyWindow(sheet);
    return measured;
}

TEST(TextFit, EveryPageIsAsWideAsItsSheetInEveryLanguage) {
    int measured = 0;
    for (LANGID language : MeasuredLanguages()) {
        for (const std::vector<int>& sheet : Sheets) measured += CheckPagesFillTheirSheet(sheet, language);
    }
    EXPECT_GE(measured, 9);
}

}  // namespace
