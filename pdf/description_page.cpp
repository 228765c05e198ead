// "Description": the profile's name and its document information.
#include <windows.h>
#include <commctrl.h>

#include "base/messages.h"
#include "pdf/profile_sheet.h"
#include "res/resource.h"

namespace {

struct DescriptionText {
    int controlId;
    wchar_t* field;
    int units;  // of the field, terminator included
};

template <size_t N>
DescriptionText Text(int controlId, wchar_t (&field)[N]) {
    return {controlId, field, static_cast<int>(N)};
}

// The page's edits and their fields; the name comes first, as it is checked before
// the others are read.
constexpr size_t DescriptionTextCount = 5;
using DescriptionTexts = DescriptionText[DescriptionTextCount];

void ListDescriptionTexts(DescriptionTexts& texts) {
    texts[0] = Text(IDC_PROFILE_NAME, EditedProfile.name);
    texts[1] = Text(IDC_PROFILE_TITLE, EditedProfile.title);
    texts[2] = Text(IDC_PROFILE_AUTHOR, EditedProfile.author);
    texts[3] = Text(IDC_PROFILE_SUBJECT, EditedProfile.subject);
    texts[4] = Text(IDC_PROFILE_KEYWORDS, EditedProfile.keywords);
}

// Only a text the user edited is read back: an edit control shows a stored text only up
// to its first line break or as far as the field holds it, and what it does not show is
// the stored value's to keep.
void ReadText(HWND page, const DescriptionText& text) {
    if (SendDlgItemMessageW(page, text.controlId, EM_GETMODIFY, 0, 0))
        GetDlgItemTextW(page, text.controlId, text.field, text.units);
}

void InitDescriptionPage(HWND page) {
    DescriptionTexts texts;
    ListDescriptionTexts(texts);
    for (const DescriptionText& text : texts) {
        SendDlgItemMessageW(page, text.controlId, EM_LIMITTEXT, static_cast<WPARAM>(text.units - 1), 0);
        SetDlgItemTextW(page, text.controlId, text.field);
    }
}

// Refuses an empty name (a name of spaces is a name); otherwise takes every text.
LRESULT ApplyDescriptionPage(HWND page) {
    DescriptionTexts texts;
    ListDescriptionTexts(texts);
    ReadText(page, texts[0]);
    if (EditedProfile.name[0] == L'\0') {
        ShowPrinterMessage(IDS_PROFILE_NAME_MISSING, page, MB_OK);
        return PSNRET_INVALID;
    }
    for (size_t i = 1; i < DescriptionTextCount; ++i) ReadText(page, texts[i]);
    return PSNRET_NOERROR;
}

}  // namespace

INT_PTR CALLBACK DescriptionPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDescriptionPage(page);
            return TRUE;
        case WM_NOTIFY:
            return OnProfilePageNotify(page, *reinterpret_cast<NMHDR*>(lParam), ApplyDescriptionPage);
    }
    return FALSE;
}
