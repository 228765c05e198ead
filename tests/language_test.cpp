// The program's languages: every translation as complete as the English resources, and
// the sheet in the language Windows picks for the user (the ctest entries pages_<locale>
// run these tests under LUMAREL_WINE_LANG, tools/wine-run.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "base/globals.h"
#include "base/late_binding.h"
#include "base/messages.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/language_resources.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/screen_reader.h"

namespace {

constexpr LANGID English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// ---------------------------------------------------------------------------
// Every language has what English has.

BOOL CALLBACK AddName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(names)->push_back(LOWORD(name));
    return TRUE;
}

std::vector<WORD> NamesOf(LPCWSTR type) {
    std::vector<WORD> names;
    EnumResourceNamesW(AppInstance, type, AddName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<LANGID>*>(languages)->push_back(language);
    return TRUE;
}

std::vector<LANGID> LanguagesOf(LPCWSTR type, WORD name) {
    std::vector<LANGID> languages;
    EnumResourceLanguagesW(AppInstance, type, MAKEINTRESOURCEW(name), AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// The resource's bytes in exactly that language; null when it has none.
const WORD* ResourceIn(LPCWSTR type, WORD name, LANGID language) {
    HRSRC found = FindResourceExW(AppInstance, type, MAKEINTRESOURCEW(name), language);
    return found ? static_cast<const WORD*>(LockResource(LoadResource(AppInstance, found))) : nullptr;
}

// A name-or-ordinal field of a dialog template, read and passed over.
std::wstring ReadNameOrOrdinal(const WORD*& at) {
    if (*at == 0xFFFF) {
        std::wstring ordinal = L"#" + std::to_wstring(at[1]);
        at += 2;
        return ordinal;
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(at));
    at += text.size() + 1;
    return text;
}

struct TemplateItem {
    DWORD id;
    std::wstring className, text;
};

struct DialogTemplate {
    std::wstring caption, typeface;
    std::vector<TemplateItem> items;
};

// An extended template (DIALOGEX) with a font, as all of the program's are.
DialogTemplate ReadDialogTemplate(const WORD* at) {
    DialogTemplate dialog;
    if (at[1] != 0xFFFF) return dialog;
    const WORD count = at[8];
    at += 13;  // version, signature, help id, extended style, style, count, x, y, cx, cy
    ReadNameOrOrdinal(at);  // menu
    ReadNameOrOrdinal(at);  // class
    dialog.caption = ReadNameOrOrdinal(at);
    at += 3;  // point size, weight, italic and character set
    dialog.typeface = ReadNameOrOrdinal(at);
    for (WORD i = 0; i < count; ++i) {
        at = reinterpret_cast<const WORD*>((reinterpret_cast<ULONG_PTR>(at) + 3) & ~ULONG_PTR(3));
        TemplateItem item;
        std::memcpy(&item.id, at + 10, sizeof item.id);  // after help id, styles, x, y, cx, cy
        at += 12;
        item.className = ReadNameOrOrdinal(at);
        item.text = ReadNameOrOrdinal(at);
        at += 1 + *at / sizeof(WORD);  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

// The 16 counted strings of a string table block.
std::vector<std::wstring> ReadStringBlock(const WORD* at) {
    std::vector<std::wstring> strings;
    for (int i = 0; i < 16; ++i) {
        strings.emplace_back(reinterpret_cast<const wchar_t*>(at + 1), *at);
        at += 1 + *at;
    }
    return strings;
}

// The conversions of a format ("%s%d"): a translation must take the same arguments.
std::wstring Conversions(const std::wstring& text) {
    std::wstring conversions;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'%') conversions += text.substr(i, 2), ++i;
    return conversions;
}

bool HasAccessKey(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'&' && text[++i] != L'&') return true;
    return false;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(Translations, EveryLanguageHasEveryDialogTextAndVersionBlockOfEnglish) {
    // Adding a language: its file in res/lang/, its row of ProgramLanguages and of the table
    // of ShownLanguage.
    std::vector<LANGID> expected = {English};
    for (const ProgramLanguage& row : ProgramLanguages) expected.push_back(row.id);
    std::vector<LANGID> languages = LanguagesOf(RT_DIALOG, IDD_GENERAL_PAGE);
    std::sort(expected.begin(), expected.end());
    std::sort(languages.begin(), languages.end());
    EXPECT_EQ(languages, expected);
    for (const ProgramLanguage& row : ProgramLanguages) {
        const LANGID language = row.id;
        SCOPED_TRACE(testing::Message() << "language " << row.locale);
        for (WORD name : NamesOf(RT_DIALOG)) {
            const WORD* translated = ResourceIn(RT_DIALOG, name, language);
            ASSERT_NE(translated, nullptr) << "dialog " << name;
            const DialogTemplate english = ReadDialogTemplate(ResourceIn(RT_DIALOG, name, English));
            const DialogTemplate dialog = ReadDialogTemplate(translated);
            EXPECT_FALSE(dialog.caption.empty()) << "dialog " << name;
            // "MS Shell Dlg", which Windows maps to a font of the user's language.
            EXPECT_EQ(dialog.typeface, english.typeface) << "dialog " << name;
            ASSERT_EQ(dialog.items.size(), english.items.size()) << "dialog " << name;
            for (size_t i = 0; i < english.items.size(); ++i) {
                const TemplateItem &original = english.items[i], &item = dialog.items[i];
                EXPECT_EQ(item.id, original.id) << "dialog " << name << ", control " << i;
                EXPECT_EQ(item.className, original.className) << "dialog " << name << ", control " << original.id;
                EXPECT_EQ(item.text.empty(), original.text.empty()) << "dialog " << name << ", control " << original.id;
                EXPECT_EQ(HasAccessKey(item.text), HasAccessKey(original.text))
                    << "dialog " << name << ", access key of control " << original.id;
            }
        }
        for (WORD block : NamesOf(RT_STRING)) {
            const WORD* translated = ResourceIn(RT_STRING, block, language);
            ASSERT_NE(translated, nullptr) << "strings from " << (block - 1) * 16;
            const std::vector<std::wstring> english = ReadStringBlock(ResourceIn(RT_STRING, block, English));
            const std::vector<std::wstring> strings = ReadStringBlock(translated);
            for (int i = 0; i < 16; ++i) {
                const int id = (block - 1) * 16 + i;
                EXPECT_EQ(strings[i].empty(), english[i].empty()) << "string " << id;
                EXPECT_EQ(Conversions(strings[i]), Conversions(english[i])) << "string " << id;
            }
        }
    }

    // The version block lists each language and has its strings.
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    ASSERT_NE(found, nullptr);
    const BYTE* resource = static_cast<const BYTE*>(LockResource(LoadResource(AppInstance, found)));
    std::vector<BYTE> version(resource, resource + SizeofResource(AppInstance, found));  // VerQueryValue writes
    WORD* translations = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                               &size));
    const std::vector<WORD> listed(translations, translations + size / sizeof(WORD));
    std::vector<WORD> expectedListed = {English, 1200};
    for (const ProgramLanguage& row : ProgramLanguages) expectedListed.insert(expectedListed.end(), {row.id, 1200});
    EXPECT_EQ(listed, expectedListed);
    for (size_t i = 0; i + 1 < listed.size(); i += 2) {
        wchar_t path[64];
        swprintf(path, 64, L"\\StringFileInfo\\%04x%04x\\FileDescription", listed[i], listed[i + 1]);
        wchar_t* description = nullptr;
        EXPECT_TRUE(VerQueryValueW(version.data(), path, reinterpret_cast<void**>(&description), &size) && size > 1)
            << Narrow(path);
    }
}

// ---------------------------------------------------------------------------
// The sheet in the language of this run.

struct ShownLanguageCase {
    const char* locale;  // LC_ALL's language and country
    LANGID userLanguage;
    std::vector<std::wstring> tabs;
    const wchar_t* portrait;  // a template's text
    const wchar_t* boxCaption;  // the string table's
    const wchar_t* pictureName;  // the string table's, as a screen reader hears it
};

const ShownLanguageCase ShownLanguageCases[] = {
    {"de_DE", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), {L"Allgemein", L"Papier", L"Agent", L"EMF", L"PDF", L"Info"},
     L"&Hochformat", L"Eigenschaften von Lumarel Printer", L"Hochformat"},
    {"ja_JP", MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT),
     {L"全般", L"用紙", L"エージェント", L"EMF", L"PDF", L"バージョン情報"}, L"縦(&P)", L"Lumarel Printerのプロパティ",
     L"縦向き"},
    {"fr_FR", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), {L"Général", L"Papier", L"Agent", L"EMF", L"PDF", L"À propos de"},
     L"&Portrait", L"Propriétés de Lumarel Printer", L"Portrait"},
    {"es_ES", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN),
     {L"General", L"Papel", L"Agente", L"EMF", L"PDF", L"Acerca de"}, L"&Vertical", L"Propiedades de Lumarel Printer",
     L"Vertical"},
    {"it_IT", MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN),
     {L"Generale", L"Carta", L"Agente", L"EMF", L"PDF", L"Informazioni"}, L"&Verticale",
     L"Proprietà - Lumarel Printer", L"Verticale"},
    {"pt_BR", MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN),
     {L"Geral", L"Papel", L"Agente", L"EMF", L"PDF", L"Sobre"}, L"&Retrato", L"Propriedades de Lumarel Printer",
     L"Retrato"},
    {"pl_PL", MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT),
     {L"Ogólne", L"Papier", L"Agent", L"EMF", L"PDF", L"Informacje"}, L"&Pionowa", L"Właściwości: Lumarel Printer",
     L"Pionowa"},
    {"ru_RU", MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT),
     {L"Общие", L"Бумага", L"Агент", L"EMF", L"PDF", L"О программе"}, L"&Книжная", L"Свойства: Lumarel Printer",
     L"Книжная"},
    {"zh_CN", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), {L"常规", L"纸张", L"代理", L"EMF", L"PDF", L"关于"},
     L"纵向(&P)", L"Lumarel Printer 属性", L"纵向"},
    {"ko_KR", MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), {L"일반", L"용지", L"에이전트", L"EMF", L"PDF", L"정보"},
     L"세로(&P)", L"Lumarel Printer 속성", L"세로"},
    {"ar_SA", MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA),
     {L"عام", L"الورق", L"الوكيل", L"EMF", L"PDF", L"حول"}, L"&عمودي", L"خصائص Lumarel Printer", L"عمودي"},
    // A language the program does not have: English.
    {"nl_NL", MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH), {L"General", L"Paper", L"Agent", L"EMF", L"PDF", L"About"},
     L"&Portrait", L"Lumarel Printer properties", L"Portrait"},
    {"", English, {L"General", L"Paper", L"Agent", L"EMF", L"PDF", L"About"}, L"&Portrait",
     L"Lumarel Printer properties", L"Portrait"},
};

const ShownLanguageCase& CaseOfThisRun() {
    char locale[64] = "";
    GetEnvironmentVariableA("LC_ALL", locale, sizeof locale);
    for (const ShownLanguageCase& c : ShownLanguageCases)
        if (std::strncmp(locale, c.locale, std::strlen(c.locale)) == 0) return c;
    return ShownLanguageCases[0];  // not reached: the last case takes any locale
}

class ShownLanguage : public InstalledRegistryTest {};

TEST_F(ShownLanguage, SheetTabsTextsAndBoxesInTheUsersLanguage) {
    const ShownLanguageCase& expected = CaseOfThisRun();
    ASSERT_EQ(GetUserDefaultUILanguage(), expected.userLanguage) << "run with LC_ALL " << expected.locale;
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    EXPECT_EQ(TabTitles(sheet.window()), expected.tabs);
    HWND general = sheet.ShowPage(IDD_GENERAL_PAGE);
    EXPECT_EQ(ControlText(general, IDC_PORTRAIT), expected.portrait);
    EXPECT_EQ(std::wstring(SheetCaption), expected.boxCaption);
    EXPECT_EQ(TextsReadRightToLeft(), ReadsRightToLeft(expected.userLanguage))
        << "message boxes read in the pages' direction";
    // The profile made when there is none is saved under its name: the same in every language.
    EXPECT_STREQ(Settings.Profiles.At(0).name, L"Default");
}

// Sizes, paths and the message number read left to right in their boxes, also on the
// mirrored pages of a language written right to left.
TEST_F(ShownLanguage, NumberAndPathBoxesReadLeftToRight) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    const bool rightToLeft = ReadsRightToLeft(CaseOfThisRun().userLanguage);
    const std::pair<int, std::vector<int>> boxes[] = {
        {IDD_PAPER_PAGE, {IDC_PAPER_WIDTH, IDC_PAPER_LENGTH}},
        {IDD_AGENT_PAGE, {IDC_AGENT_APPLICATION, IDC_AGENT_DIRECTORY, IDC_AGENT_MESSAGE_ID, IDC_AGENT_PREPROCESSOR}},
    };
    for (const auto& [pageId, ids] : boxes) {
        HWND page = sheet.ShowPage(pageId);
        ASSERT_NE(page, nullptr) << pageId;
        EXPECT_EQ((GetWindowLongPtrW(page, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0, rightToLeft) << pageId;
        for (int id : ids)
            EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(page, id), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0) << pageId << " " << id;
    }
}

TEST_F(ShownLanguage, ScreenReaderHearsThePictureInTheUsersLanguage) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    ComApartment com;
    HWND general = sheet.ShowPage(IDD_GENERAL_PAGE);
    EXPECT_EQ(SpokenBy(GetDlgItem(general, IDC_ORIENTATION_PICTURE)).name, CaseOfThisRun().pictureName);
}

}  // namespace
