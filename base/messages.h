// The two ways the program speaks to the user. Every box is captioned SheetCaption.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The text of an error box: `pattern` (string IDS_ERROR_TEXT, "%s\nError # %d: %s")
// filled with the text, the code as a signed decimal and the system's text.
std::wstring ComposeErrorText(const wchar_t* pattern, const wchar_t* text, DWORD errorCode,
                              const wchar_t* systemText);

// The system's text for an error code (with its line break), or empty when it has none.
std::wstring SystemErrorText(DWORD errorCode);

// Replaces every "%PRINTER_NAME%" by the printer's name, then every backslash-n pair
// by a line break; left to right, without rescanning inserted text.
std::wstring ExpandPrinterMessage(const wchar_t* text);

// Reports a failed operation. errorCode 0 stands for the thread's last error; when that
// is 0 too nothing is shown and 0 is returned. Otherwise returns the code shown.
int ShowErrorBox(const wchar_t* text, DWORD errorCode, HWND owner);

// Whether the program shows the user's language right to left (its templates are mirrored).
bool TextsReadRightToLeft();

// Shows a prompt or notice that may name the printer; returns MessageBoxW's answer.
int ShowPrinterMessage(const wchar_t* text, HWND owner, UINT flags);
// The same for string `textId` of the string table.
int ShowPrinterMessage(UINT textId, HWND owner, UINT flags);

// Shows `text` as it is (a text that quotes a file or a name, which must not be expanded).
int ShowMessageText(const std::wstring& text, HWND owner, UINT flags);

// A failure that a function below the pages reports instead of showing it: which text
// the user is to read (a string of the resource table; a "%s" in it names the registry
// key) and the Win32 error code taken when it happened. The page that called shows it.
struct Failure {
    UINT textId = 0;  // 0: nothing failed
    DWORD errorCode = 0;
    explicit operator bool() const { return textId != 0; }
};

// The failure's text as the user reads it, before the error code is added.
std::wstring FailureText(const Failure& failure);

// Shows a failure the way ShowErrorBox does; an error code of 0 shows nothing (there was
// no error to tell). Returns the code shown, 0 when nothing was shown.
int ShowFailure(const Failure& failure, HWND owner);

// What an apply could not store: the names of the values (as the registry names them,
// or a key's path when the key itself failed) whose write or deletion failed, and the
// error code of the first failure. Empty when everything was stored.
class NotStored {
public:
    // Counts a failed write or deletion of `name`; ERROR_SUCCESS counts nothing.
    void Add(const std::wstring& name, LONG status);
    void Add(const NotStored& other);
    bool empty() const { return names_.empty(); }
    const std::vector<std::wstring>& names() const { return names_; }
    DWORD errorCode() const { return errorCode_; }

private:
    std::vector<std::wstring> names_;
    DWORD errorCode_ = 0;
};

// The text of the box that tells it: string IDS_NOT_STORED with the first names, one a
// line, and IDS_NOT_STORED_MORE for the rest.
std::wstring NotStoredText(const NotStored& notStored);
// Shows it once, as ShowErrorBox does; nothing when it is empty. True when it was empty.
bool ShowNotStored(const NotStored& notStored, HWND owner);
