#include "app/switches.h"

#include <cwchar>
#include <vector>

namespace {

wchar_t FoldAsciiCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool TokenEquals(const wchar_t* token, size_t length, const wchar_t* word) {
    if (wcslen(word) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (FoldAsciiCase(token[i]) != word[i]) return false;
    return true;
}

bool WordIs(const std::wstring& word, const wchar_t* expected) { return TokenEquals(word.c_str(), word.size(), expected); }

// Words as a script writes them: apart at spaces and tabs, a quoted part kept whole.
std::vector<std::wstring> SplitWords(const wchar_t* tail) {
    std::vector<std::wstring> words;
    const wchar_t* p = tail;
    while (*p) {
        while (*p == L' ' || *p == L'\t') ++p;
        if (!*p) break;
        std::wstring word;
        bool quoted = false;
        for (; *p && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
            if (*p == L'"')
                quoted = !quoted;
            else
                word += *p;
        }
        words.push_back(word);
    }
    return words;
}

}  // namespace

Switches ParseSwitches(const wchar_t* tail) {
    Switches switches;
    if (!tail) return switches;
    const wchar_t* p = tail;
    while (*p) {
        while (*p == L' ') ++p;
        const wchar_t* start = p;
        while (*p && *p != L' ') ++p;
        size_t length = static_cast<size_t>(p - start);
        if (length == 0) continue;
        if (TokenEquals(start, length, L"/nogeneral"))
            switches.noGeneral = 1;
        else if (TokenEquals(start, length, L"/nopaper"))
            switches.noPaper = 1;
    }
    return switches;
}

bool ParseTransferCommand(const wchar_t* tail, TransferCommand& command) {
    if (!tail) return false;
    const std::vector<std::wstring> words = SplitWords(tail);
    if (words.empty()) return false;
    command = TransferCommand{};
    if (WordIs(words[0], L"/export"))
        command.action = TransferCommand::Action::Export;
    else if (WordIs(words[0], L"/import"))
        command.action = TransferCommand::Action::Import;
    else
        return false;
    const bool importing = command.action == TransferCommand::Action::Import;
    bool conflictGiven = false;
    for (size_t index = 1; index < words.size(); ++index) {
        const std::wstring& word = words[index];
        if (WordIs(word, L"/settings")) {
            command.plainValues = true;
        } else if (!importing && WordIs(word, L"/passwords")) {
            command.passwords = true;
        } else if (importing && (WordIs(word, L"/replace") || WordIs(word, L"/keepboth") || WordIs(word, L"/skip"))) {
            // One answer for every name the list has.
            command.understood = command.understood && !conflictGiven;
            conflictGiven = true;
            command.onConflict = WordIs(word, L"/replace")    ? MergeChoice::Replace
                                 : WordIs(word, L"/keepboth") ? MergeChoice::KeepBoth
                                                              : MergeChoice::Skip;
        } else if (!word.empty() && word[0] != L'/' && command.file.empty()) {
            command.file = word;
        } else {
            command.understood = false;
        }
    }
    if (command.file.empty()) command.understood = false;
    return true;
}
