// The module's resources in one language, as Windows shows them to a user of that
// language: which languages the dialogs come in, a template and a string in one of them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Every language in which `module` has one of the dialog templates `templateIds`.
std::vector<LANGID> DialogLanguages(HMODULE module, const std::vector<int>& templateIds);

// Dialog template `templateId` in `language`; null when the module has none.
const DLGTEMPLATE* DialogTemplateIn(HMODULE module, int templateId, LANGID language);

// String `id` of the string table in `language`; empty when there is none.
std::wstring StringIn(HMODULE module, UINT id, LANGID language);

// Whether Windows writes `language` right to left (its pages and sheet mirrored).
bool ReadsRightToLeft(LANGID language);

// "en-US", "de-DE", "ja-JP".
std::wstring LanguageName(LANGID language);

// A language the program has besides English, as a user of it meets the sheet.
struct ProgramLanguage {
    const char* locale;  // LC_ALL's language and country, under which Wine shows it
    LANGID id;
    const wchar_t* windowsApply;  // Windows' own Apply button in it (Wine's may differ)
};

// Every one of them; adding a language adds its row (README, "Adding a language").
extern const std::vector<ProgramLanguage> ProgramLanguages;

// The row of `language`'s primary language; null for English and languages the
// program does not have.
const ProgramLanguage* ProgramLanguageOf(LANGID language);
