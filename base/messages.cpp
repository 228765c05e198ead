#include "base/messages.h"

#include <cstring>
#include <cwchar>

#include "base/globals.h"
#include "base/registry.h"
#include "base/texts.h"
#include "res/resource.h"

std::wstring ComposeErrorText(const wchar_t* pattern, const wchar_t* text, DWORD errorCode,
                              const wchar_t* systemText) {
    return FormatString(pattern, text, static_cast<int>(errorCode), systemText);
}

std::wstring SystemErrorText(DWORD errorCode) {
    wchar_t buffer[512] = {};
    // No inserts are passed: FORMAT_MESSAGE_IGNORE_INSERTS keeps a "%1" of the system
    // text as it stands instead of reading arguments that do not exist.
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, errorCode,
                                  0, buffer, 512, nullptr);
    if (length == 0) return std::wstring();
    buffer[511] = L'\0';
    return buffer;
}

bool TextsReadRightToLeft() {
    // The loader picks a template's language as it picks the texts', so the General page's
    // template says whether the user's language is written right to left.
    const HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(IDD_GENERAL_PAGE), MAKEINTRESOURCEW(5));
    const HGLOBAL loaded = found ? LoadResource(AppInstance, found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!words || SizeofResource(AppInstance, found) < 12) return false;
    DWORD extendedStyle = 0;  // DLGTEMPLATEEX keeps it after a help id, DLGTEMPLATE after the style
    memcpy(&extendedStyle, words[1] == 0xFFFF ? words + 4 : words + 2, sizeof extendedStyle);
    return (extendedStyle & WS_EX_LAYOUTRTL) != 0;
}

namespace {

// Every box of the program: in a language written right to left its text reads and is
// aligned right to left, as the pages around it are.
int ShowBox(HWND owner, const wchar_t* text, UINT flags) {
    if (TextsReadRightToLeft()) flags |= MB_RTLREADING | MB_RIGHT;
    return MessageBoxW(owner, text, SheetCaption, flags);
}

}  // namespace

static void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    size_t position = 0;
    while ((position = text.find(from, position)) != std::wstring::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
}

std::wstring ExpandPrinterMessage(const wchar_t* text) {
    std::wstring expanded = text;
    ReplaceAll(expanded, L"%PRINTER_NAME%", PrinterName);
    ReplaceAll(expanded, L"\\n", L"\n");
    return expanded;
}

int ShowErrorBox(const wchar_t* text, DWORD errorCode, HWND owner) {
    if (errorCode == 0) errorCode = GetLastError();
    if (errorCode == 0) return 0;
    std::wstring composed = ComposeErrorText(LoadText(IDS_ERROR_TEXT).c_str(), text, errorCode,
                                             SystemErrorText(errorCode).c_str());
    ShowBox(owner, composed.c_str(), MB_OK);
    return static_cast<int>(errorCode);
}

int ShowPrinterMessage(const wchar_t* text, HWND owner, UINT flags) {
    std::wstring expanded = ExpandPrinterMessage(text);
    return ShowBox(owner, expanded.c_str(), flags);
}

int ShowMessageText(const std::wstring& text, HWND owner, UINT flags) {
    return ShowBox(owner, text.c_str(), flags);
}

int ShowPrinterMessage(UINT textId, HWND owner, UINT flags) {
    return ShowPrinterMessage(LoadText(textId).c_str(), owner, flags);
}

std::wstring FailureText(const Failure& failure) { return FormatWithKeyName(LoadText(failure.textId).c_str()); }

int ShowFailure(const Failure& failure, HWND owner) {
    if (!failure || failure.errorCode == 0) return 0;
    return ShowErrorBox(FailureText(failure).c_str(), failure.errorCode, owner);
}

void NotStored::Add(const std::wstring& name, LONG status) {
    if (status == ERROR_SUCCESS) return;
    if (names_.empty()) errorCode_ = static_cast<DWORD>(status);
    names_.push_back(name);
}

void NotStored::Add(const NotStored& other) {
    if (other.empty()) return;
    if (names_.empty()) errorCode_ = other.errorCode_;
    names_.insert(names_.end(), other.names_.begin(), other.names_.end());
}

std::wstring NotStoredText(const NotStored& notStored) {
    // A store of a thousand profiles may fail for every value: the box stays readable.
    constexpr size_t NamesShown = 8;
    std::wstring names;
    const size_t shown = notStored.names().size() < NamesShown ? notStored.names().size() : NamesShown;
    for (size_t index = 0; index < shown; ++index) {
        if (index) names += L'\n';
        names += L"\"" + notStored.names()[index] + L"\"";
    }
    if (notStored.names().size() > shown)
        names += L'\n' + FormatString(LoadText(IDS_NOT_STORED_MORE).c_str(),
                                      static_cast<int>(notStored.names().size() - shown));
    return FormatString(LoadText(IDS_NOT_STORED).c_str(), names.c_str());
}

bool ShowNotStored(const NotStored& notStored, HWND owner) {
    if (notStored.empty()) return true;
    // A failure without a code (none is expected) is still told.
    const DWORD code = notStored.errorCode() ? notStored.errorCode() : ERROR_WRITE_FAULT;
    ShowErrorBox(NotStoredText(notStored).c_str(), code, owner);
    return false;
}
