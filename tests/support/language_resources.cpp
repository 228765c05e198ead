#include "tests/support/language_resources.h"

#include <algorithm>

namespace {

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    auto* languages = reinterpret_cast<std::vector<LANGID>*>(list);
    if (std::find(languages->begin(), languages->end(), language) == languages->end()) languages->push_back(language);
    return TRUE;
}

const void* ResourceIn(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language, DWORD* size) {
    HRSRC found = FindResourceExW(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    *size = found ? SizeofResource(module, found) : 0;
    return loaded ? LockResource(loaded) : nullptr;
}

}  // namespace

std::vector<LANGID> DialogLanguages(HMODULE module, const std::vector<int>& templateIds) {
    std::vector<LANGID> languages;
    for (int id : templateIds) {
        EnumResourceLanguagesW(module, RT_DIALOG, MAKEINTRESOURCEW(id), AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
    }
    return languages;
}

const DLGTEMPLATE* DialogTemplateIn(HMODULE module, int templateId, LANGID language) {
    DWORD size = 0;
    return static_cast<const DLGTEMPLATE*>(
        ResourceIn(module, RT_DIALOG, MAKEINTRESOURCEW(templateId), language, &size));
}

std::wstring StringIn(HMODULE module, UINT id, LANGID language) {
    // Strings come in blocks of 16, each a count followed by that many UTF-16 units.
    DWORD size = 0;
    const auto* block = static_cast<const WCHAR*>(
        ResourceIn(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language, &size));
    const WCHAR* end = block + size / sizeof(WCHAR);
    for (UINT index = 0; block && block < end; ++index) {
        const WCHAR length = *block++;
        if (block + length > end) break;
        if (index == id % 16) return std::wstring(block, length);
        block += length;
    }
    return std::wstring();
}

std::wstring LanguageName(LANGID language) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    if (!LCIDToLocaleName(MAKELCID(language, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0)) {
        swprintf(name, LOCALE_NAME_MAX_LENGTH, L"%04x", language);
    }
    return name;
}

const std::vector<ProgramLanguage> ProgramLanguages = {
    {"de_DE", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), L"Ü&bernehmen"},
    {"ja_JP", MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), L"適用(&A)"},
    {"fr_FR", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), L"&Appliquer"},
    {"es_ES", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN), L"&Aplicar"},
    {"it_IT", MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN), L"&Applica"},
    {"pt_BR", MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN), L"&Aplicar"},
    {"pl_PL", MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT), L"&Zastosuj"},
    {"ru_RU", MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), L"&Применить"},
    {"zh_CN", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), L"应用(&A)"},
    {"ko_KR", MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), L"적용(&A)"},
    {"ar_SA", MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), L"&تطبيق"},
};

const ProgramLanguage* ProgramLanguageOf(LANGID language) {
    for (const ProgramLanguage& row : ProgramLanguages) {
        if (PRIMARYLANGID(row.id) == PRIMARYLANGID(language)) return &row;
    }
    return nullptr;
}

bool ReadsRightToLeft(LANGID language) {
    DWORD layout = 0;
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_IREADINGLAYOUT | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPWSTR>(&layout), sizeof layout / sizeof(WCHAR));
    return layout == 1;
}
