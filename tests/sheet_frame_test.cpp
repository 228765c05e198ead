// The sheet built from the program's page table, as the sheet callback shapes it, and
// every page and nested dialog as a keyboard user meets it.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <cwctype>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "base/display_scale.h"
#include "base/accessible_names.h"
#include "base/globals.h"
#include "base/late_binding.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/dialog_input.h"
#include "tests/support/language_resources.h"
#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/pdf_page_fixture.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/screen_reader.h"

namespace {

class SheetFrame : public InstalledRegistryTest {};

int IconWidth(HWND sheet, WPARAM which) {
    HICON icon = reinterpret_cast<HICON>(SendMessageW(sheet, WM_GETICON, which, 0));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP shape{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof shape, &shape);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return shape.bmWidth;
}

TEST_F(SheetFrame, CallbackGivesTheSheetIconsNoHelpAndCentring) {
    ModelessSheet sheet;
    EXPECT_NE(SendMessageW(sheet.window(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageW(sheet.window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(GetWindowLongW(sheet.window(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
    EXPECT_NE(GetWindowLongW(sheet.window(), GWL_STYLE) & DS_CENTER, 0);

    // Moved to a monitor of twice the scale, the sheet takes icons of twice the size.
    const int dpi = WindowDpi(sheet.window());
    EXPECT_EQ(IconWidth(sheet.window(), ICON_SMALL), SystemMetricForDpi(SM_CXSMICON, dpi));
    RECT place;
    GetWindowRect(sheet.window(), &place);
    SendMessageW(sheet.window(), WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&place));
    EXPECT_EQ(IconWidth(sheet.window(), ICON_SMALL), SystemMetricForDpi(SM_CXSMICON, 2 * dpi));
    EXPECT_EQ(IconWidth(sheet.window(), ICON_BIG), SystemMetricForDpi(SM_CXICON, 2 * dpi));
}

// ---------------------------------------------------------------------------
// Keyboard: access keys, tab order and radio groups of every page and dialog.

struct Control {
    HWND window;
    std::wstring className;
    LONG style;
    std::wstring text;
    RECT place;  // in the dialog's client coordinates
};

std::vector<Control> ControlsOf(HWND dialog) {
    std::vector<Control> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control{child, ClassNameOf(child), GetWindowLongW(child, GWL_STYLE), WindowTextOf(child), {}};
        GetWindowRect(child, &control.place);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&control.place), 2);
        controls.push_back(control);
    }
    return controls;
}

LONG ButtonType(const Control& c) { return c.style & BS_TYPEMASK; }
bool IsButton(const Control& c) { return _wcsicmp(c.className.c_str(), L"Button") == 0; }
bool IsGroupBox(const Control& c) { return IsButton(c) && ButtonType(c) == BS_GROUPBOX; }
bool IsRadio(const Control& c) {
    return IsButton(c) && (ButtonType(c) == BS_RADIOBUTTON || ButtonType(c) == BS_AUTORADIOBUTTON);
}
bool IsCheckBox(const Control& c) {
    return IsButton(c) && (ButtonType(c) == BS_CHECKBOX || ButtonType(c) == BS_AUTOCHECKBOX);
}
bool IsStatic(const Control& c) { return _wcsicmp(c.className.c_str(), L"Static") == 0; }
bool IsBox(const Control& c) {
    for (const wchar_t* name : {L"Edit", L"ComboBox", L"ListBox"})
        if (_wcsicmp(c.className.c_str(), name) == 0) return true;
    return false;
}
bool HasWords(const Control& c) {
    for (wchar_t ch : c.text)
        if (iswalpha(ch)) return true;
    return false;
}

// The underlined letter of a text ("&&" shows an ampersand), upper case; 0 for none.
wchar_t AccessKey(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'&') {
            if (text[i + 1] != L'&') return static_cast<wchar_t>(towupper(text[i + 1]));
            ++i;
        }
    return 0;
}

// `later` comes before `earlier` when read top to bottom, left to right.
bool ReadBefore(const RECT& later, const RECT& earlier) {
    const bool sameRow = later.top < earlier.bottom && earlier.top < later.bottom;
    return later.bottom <= earlier.top || (sameRow && later.right <= earlier.left);
}

// The focus on the first control that takes it and is none of `others`, as after a
// click there; without one, on `fallback` (the sheet's tabs, as after a click on a tab).
void FocusElsewhere(const std::vector<Control>& controls, std::initializer_list<HWND> others, HWND fallback) {
    for (const Control& c : controls) {
        if (std::find(others.begin(), others.end(), c.window) != others.end()) continue;
        if (!IsWindowVisible(c.window) || !IsWindowEnabled(c.window) || !(c.style & WS_TABSTOP)) continue;
        SetFocus(c.window);
        ASSERT_EQ(GetFocus(), c.window);
        return;
    }
    SetFocus(fallback);
    ASSERT_EQ(GetFocus(), fallback);
}

// Alt and the letter, as the keyboard gives it to the dialog manager of `root`.
void PressAltKey(HWND root, wchar_t key) {
    MSG message{GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(towlower(key)), 0x20000000, 0, {}};
    IsDialogMessageW(root, &message);
    PumpMessages();
}

// A key pressed and held while the dialog manager of `root` handles it, as the keyboard
// gives it.
void PressKey(HWND root, BYTE key) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] |= 0x80;
    SetKeyboardState(keys);
    MSG message{GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
    IsDialogMessageW(root, &message);
    keys[key] &= static_cast<BYTE>(~0x80);
    SetKeyboardState(keys);
    PumpMessages();
}

// The checks, for one page or dialog. `root` is the window whose dialog manager gets
// the keys (the sheet for its pages); `frameKeys` the access keys of the sheet's buttons.
void CheckKeyboardUse(HWND dialog, HWND root, const std::map<wchar_t, std::wstring>& frameKeys) {
    const std::wstring name = WindowTextOf(dialog);
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    const std::vector<Control> controls = ControlsOf(dialog);
    ASSERT_FALSE(controls.empty());
    HWND tabs = root == dialog ? dialog : PropSheet_GetTabControl(root);
    std::map<wchar_t, std::wstring> keys = frameKeys;

    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        const std::string text(c.text.begin(), c.text.end());
        const wchar_t key = AccessKey(c.text);
        if (key) {
            auto taken = keys.emplace(key, c.text);
            const std::string other(taken.first->second.begin(), taken.first->second.end());
            EXPECT_TRUE(taken.second) << text << " has the access key of " << other;
        }
        // Buttons with words name themselves (OK and Cancel are Enter and Esc); a box is
        // named by the label just before it.
        const int id = GetDlgCtrlID(c.window);
        if (IsButton(c) && !IsGroupBox(c) && HasWords(c) && id != IDOK && id != IDCANCEL) {
            EXPECT_NE(key, 0) << text << " has no access key";
        }
        if (IsBox(c) && i > 0 && (IsStatic(controls[i - 1]) || IsGroupBox(controls[i - 1]))) {
            EXPECT_NE(AccessKey(controls[i - 1].text), 0) << "the label of box " << GetDlgCtrlID(c.window);
        }
        // A label's key reaches the box that follows it.
        if (key && (IsStatic(c) || IsGroupBox(c))) {
            ASSERT_LT(i + 1, controls.size()) << text;
            EXPECT_TRUE(IsBox(controls[i + 1])) << text << " is followed by no box";
            if (IsWindowEnabled(controls[i + 1].window)) {
                FocusElsewhere(controls, {c.window, controls[i + 1].window}, tabs);
                PressAltKey(root, key);
                // (A combo box with an edit gives the focus to its edit.)
                HWND focus = GetFocus();
                EXPECT_TRUE(focus == controls[i + 1].window || GetParent(focus) == controls[i + 1].window)
                    << "Alt+" << static_cast<char>(key);
            }
        }
        // A check box's or radio button's key moves the focus to it and clicks it.
        if (key && (IsCheckBox(c) || IsRadio(c)) && IsWindowEnabled(c.window) && IsWindowVisible(c.window)) {
            FocusElsewhere(controls, {c.window}, tabs);
            const LRESULT before = SendMessageW(c.window, BM_GETCHECK, 0, 0);
            PressAltKey(root, key);
            EXPECT_EQ(GetFocus(), c.window) << "Alt+" << static_cast<char>(key);
            if (ButtonType(c) == BS_AUTOCHECKBOX) {
                EXPECT_NE(SendMessageW(c.window, BM_GETCHECK, 0, 0), before) << "Alt+" << static_cast<char>(key);
            }
        }
        // Whatever a user changes is reached with Tab; radio buttons through their group.
        if ((IsBox(c) || (IsButton(c) && !IsGroupBox(c) && !IsRadio(c))) && IsWindowVisible(c.window)) {
            EXPECT_NE(c.style & WS_TABSTOP, 0) << "control " << GetDlgCtrlID(c.window) << " is not reached with Tab";
        }
    }

    // The arrow keys move within a group, which holds radio buttons alone; Tab reaches one.
    for (size_t first = 0; first < controls.size(); ++first) {
        if (!IsRadio(controls[first]) || (first > 0 && IsRadio(controls[first - 1]))) continue;
        EXPECT_NE(controls[first].style & WS_GROUP, 0) << "radio group at " << GetDlgCtrlID(controls[first].window);
        size_t end = first + 1;
        while (end < controls.size() && !(controls[end].style & WS_GROUP)) ++end;
        bool tabStop = false;
        for (size_t i = first; i < end; ++i) {
            EXPECT_TRUE(IsRadio(controls[i])) << "control " << GetDlgCtrlID(controls[i].window)
                                              << " in the radio group of " << GetDlgCtrlID(controls[first].window);
            tabStop = tabStop || (controls[i].style & WS_TABSTOP);
        }
        EXPECT_TRUE(tabStop) << "radio group at " << GetDlgCtrlID(controls[first].window);
        // With the page's own code (the live sheet), the arrow key chooses the next button.
        if (root != dialog && end - first >= 2 && IsWindowEnabled(controls[first + 1].window)) {
            HWND next = controls[first + 1].window;
            SendMessageW(controls[first].window, BM_CLICK, 0, 0);
            PumpMessages();
            ASSERT_EQ(SendMessageW(next, BM_GETCHECK, 0, 0), BST_UNCHECKED);
            SetFocus(controls[first].window);
            PressKey(root, VK_DOWN);
            EXPECT_EQ(GetFocus(), next) << "Down from " << GetDlgCtrlID(controls[first].window);
            EXPECT_EQ(SendMessageW(next, BM_GETCHECK, 0, 0), BST_CHECKED) << "Down to " << GetDlgCtrlID(next);
        }
    }

    // Tab visits the controls in reading order.
    const Control* previous = nullptr;
    for (const Control& c : controls) {
        if (!(c.style & WS_TABSTOP) || !IsWindowVisible(c.window)) continue;
        if (previous) {
            EXPECT_FALSE(ReadBefore(c.place, previous->place))
                << "Tab goes from " << GetDlgCtrlID(previous->window) << " back to " << GetDlgCtrlID(c.window);
        }
        previous = &c;
    }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class KeyboardUse : public InstalledRegistryTest {};

TEST_F(KeyboardUse, EveryPageAndDialogHasUniqueAccessKeysAndTabsInReadingOrder) {
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    // OK, Cancel and Apply are on every page of both sheets.
    std::map<wchar_t, std::wstring> frameKeys;
    for (int button : {IDOK, IDCANCEL, 0x3021}) {
        const std::wstring text = WindowTextOf(GetDlgItem(sheet.window(), button));
        ASSERT_FALSE(text.empty()) << button;
        if (AccessKey(text)) frameKeys.emplace(AccessKey(text), text);
    }
    // Windows' own Apply in the user's language, where its key differs from Wine's.
    if (const ProgramLanguage* language = ProgramLanguageOf(GetUserDefaultUILanguage())) {
        frameKeys.emplace(AccessKey(language->windowsApply), language->windowsApply);
    }
    int pages = 0;
    for (; SendMessageW(sheet.window(), PSM_SETCURSEL, static_cast<WPARAM>(pages), 0); ++pages) {
        PumpMessages();
        CheckKeyboardUse(sheet.CurrentPage(), sheet.window(), frameKeys);
    }
    EXPECT_EQ(pages, 6);

    // The nested dialogs, from their templates: the profile sheet's pages (with the same
    // buttons as the main sheet's) and the New Paper Form dialog (its own OK and Cancel).
    const std::map<wchar_t, std::wstring> noFrameKeys;
    for (int templateId : {IDD_PROFILE_DESCRIPTION, IDD_PROFILE_SECURITY, IDD_PROFILE_ADVANCED, IDD_NEW_FORM,
                           IDD_EXPORT_PROFILES, IDD_IMPORT_CONFLICT}) {
        HWND dialog = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(templateId), nullptr, PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << templateId;
        ShowWindow(dialog, SW_SHOW);
        PumpMessages();
        const bool ownButtons = templateId == IDD_NEW_FORM || templateId == IDD_EXPORT_PROFILES ||
                                templateId == IDD_IMPORT_CONFLICT;
        CheckKeyboardUse(dialog, dialog, ownButtons ? noFrameKeys : frameKeys);
        DestroyWindow(dialog);
    }
}

// ---------------------------------------------------------------------------
// Screen readers: the name and role Active Accessibility gives every control a user
// reaches (with Tab or, in a radio group, the arrow keys) and every picture.

struct SpokenControl {
    int templateId;
    int controlId;
    const wchar_t* name;
    LONG role;
};

constexpr LONG Button = ROLE_SYSTEM_PUSHBUTTON, CheckBox = ROLE_SYSTEM_CHECKBUTTON, Radio = ROLE_SYSTEM_RADIOBUTTON,
               Text = ROLE_SYSTEM_TEXT, DropDown = ROLE_SYSTEM_COMBOBOX;
const SpokenControl SpokenControls[] = {
    {IDD_GENERAL_PAGE, IDC_PORTRAIT, L"Portrait", Radio},
    {IDD_GENERAL_PAGE, IDC_LANDSCAPE, L"Landscape", Radio},
    {IDD_GENERAL_PAGE, IDC_ORIENTATION_PICTURE, L"Portrait", ROLE_SYSTEM_GRAPHIC},
    {IDD_GENERAL_PAGE, IDC_RESOLUTION_LIST, L"Print quality (resolution)", DropDown},
    {IDD_PAPER_PAGE, IDC_PAPER_LIST, L"Form", DropDown},
    {IDD_PAPER_PAGE, IDC_METRIC, L"Metric", Radio},
    {IDD_PAPER_PAGE, IDC_ENGLISH, L"English", Radio},
    {IDD_PAPER_PAGE, IDC_PAPER_WIDTH, L"Width", Text},
    {IDD_PAPER_PAGE, IDC_PAPER_LENGTH, L"Length", Text},
    {IDD_PAPER_PAGE, IDC_ADD_FORM, L"Add", Button},
    {IDD_PAPER_PAGE, IDC_DELETE_FORM, L"Delete", Button},
    {IDD_AGENT_PAGE, IDC_AGENT_APPLICATION, L"Application", Text},
    {IDD_AGENT_PAGE, IDC_AGENT_APPLICATION_BROWSE, L"Browse for the client application", Button},
    {IDD_AGENT_PAGE, IDC_AGENT_DIRECTORY, L"Output directory", Text},
    {IDD_AGENT_PAGE, IDC_AGENT_DIRECTORY_BROWSE, L"Browse for the output directory", Button},
    {IDD_AGENT_PAGE, IDC_AGENT_MODE, L"Transfer mode", DropDown},
    {IDD_AGENT_PAGE, IDC_AGENT_TITLE, L"Title", Text},
    {IDD_AGENT_PAGE, IDC_AGENT_MESSAGE_ID, L"Message ID", Text},
    {IDD_AGENT_PAGE, IDC_AGENT_PREPROCESSING, L"Preprocessing", CheckBox},
    {IDD_AGENT_PAGE, IDC_AGENT_PREPROCESSOR, L"Preprocessing application", Text},
    {IDD_AGENT_PAGE, IDC_AGENT_PREPROCESSOR_BROWSE, L"Browse for the preprocessing application", Button},
    {IDD_EMF_PAGE, IDC_EMF_SAVE, L"Save to EMF", CheckBox},
    {IDD_PDF_PAGE, IDC_PDF_SAVE, L"Save to PDF", CheckBox},
    {IDD_PDF_PAGE, IDC_PDF_SEPARATE, L"Separate PDF file for each printed page", CheckBox},
    {IDD_PDF_PAGE, IDC_PDF_NO_EMBED_FONTS, L"Do not embed any fonts", CheckBox},
    {IDD_PDF_PAGE, IDC_PDF_PROFILE_LIST, L"Profiles", ROLE_SYSTEM_LIST},
    {IDD_PDF_PAGE, IDC_PDF_NEW, L"New", Button},
    {IDD_PDF_PAGE, IDC_PDF_EDIT, L"Edit", Button},
    {IDD_PDF_PAGE, IDC_PDF_DELETE, L"Delete", Button},
    {IDD_PDF_PAGE, IDC_PDF_COPY, L"Copy", Button},
    {IDD_PDF_PAGE, IDC_PDF_EXPORT, L"Export...", Button},
    {IDD_PDF_PAGE, IDC_PDF_IMPORT, L"Import...", Button},
    {IDD_EXPORT_PROFILES, IDC_EXPORT_SELECTED, L"The selected profile", Radio},
    {IDD_EXPORT_PROFILES, IDC_EXPORT_ALL, L"All profiles", Radio},
    {IDD_EXPORT_PROFILES, IDC_EXPORT_PASSWORDS, L"Include passwords", CheckBox},
    {IDD_EXPORT_PROFILES, IDC_EXPORT_PLAIN_VALUES, L"Include the EMF, PDF and Agent settings", CheckBox},
    {IDD_EXPORT_PROFILES, IDOK, L"OK", Button},
    {IDD_EXPORT_PROFILES, IDCANCEL, L"Cancel", Button},
    {IDD_IMPORT_CONFLICT, IDC_CONFLICT_FOR_ALL, L"Do the same for every profile that follows", CheckBox},
    {IDD_IMPORT_CONFLICT, IDC_CONFLICT_REPLACE, L"Replace", Button},
    {IDD_IMPORT_CONFLICT, IDC_CONFLICT_KEEP_BOTH, L"Keep both", Button},
    {IDD_IMPORT_CONFLICT, IDC_CONFLICT_SKIP, L"Skip", Button},
    {IDD_IMPORT_CONFLICT, IDCANCEL, L"Cancel", Button},
    {IDD_ABOUT_PAGE, IDC_ABOUT_BANNER, L"Lumarel Printer", ROLE_SYSTEM_STATICTEXT},
    {IDD_ABOUT_PAGE, IDC_ABOUT_WEBSITE, L"www.lumarel.example", Button},
    {IDD_NEW_FORM, IDC_FORM_NAME, L"Form name", Text},
    {IDD_NEW_FORM, IDC_METRIC, L"Metric", Radio},
    {IDD_NEW_FORM, IDC_ENGLISH, L"English", Radio},
    {IDD_NEW_FORM, IDC_PAPER_WIDTH, L"Width", Text},
    {IDD_NEW_FORM, IDC_PAPER_LENGTH, L"Length", Text},
    {IDD_NEW_FORM, IDOK, L"OK", Button},
    {IDD_NEW_FORM, IDCANCEL, L"Cancel", Button},
    {IDD_PROFILE_DESCRIPTION, IDC_PROFILE_NAME, L"Profile name:", Text},
    {IDD_PROFILE_DESCRIPTION, IDC_PROFILE_TITLE, L"Title:", Text},
    {IDD_PROFILE_DESCRIPTION, IDC_PROFILE_AUTHOR, L"Author:", Text},
    {IDD_PROFILE_DESCRIPTION, IDC_PROFILE_SUBJECT, L"Subject:", Text},
    {IDD_PROFILE_DESCRIPTION, IDC_PROFILE_KEYWORDS, L"Keywords:", Text},
    {IDD_PROFILE_SECURITY, IDC_SECURITY_ENABLE, L"Enable PDF Security", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_USER_PASSWORD_ENABLE, L"Enable User Password", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_USER_PASSWORD, L"User password", Text},
    {IDD_PROFILE_SECURITY, IDC_OWNER_PASSWORD_ENABLE, L"Enable Owner Password", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_OWNER_PASSWORD, L"Owner password", Text},
    {IDD_PROFILE_SECURITY, IDC_ALLOW_COPYING, L"Content Copying or Extraction", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_ALLOW_COMMENTING, L"Form Filling, Signing, Commenting", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_ALLOW_CHANGING, L"Changing the Document", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_ALLOW_PRINTING, L"Printing", CheckBox},
    {IDD_PROFILE_SECURITY, IDC_ENCRYPTION_LOW, L"Low (40-bit RC4)", Radio},
    {IDD_PROFILE_SECURITY, IDC_ENCRYPTION_HIGH, L"High (128-bit RC4)", Radio},
    {IDD_PROFILE_ADVANCED, IDC_PAGE_LAYOUT, L"Page Layout", DropDown},
    {IDD_PROFILE_ADVANCED, IDC_PAGE_MODE, L"Page Mode", DropDown},
    {IDD_PROFILE_ADVANCED, IDC_DOCUMENT_COMPRESSION, L"Document Compression", DropDown},
    {IDD_PROFILE_ADVANCED, IDC_IMAGES_COMPRESSION, L"Images Compression", DropDown},
    {IDD_PROFILE_ADVANCED, IDC_JPEG_QUALITY, L"JPEG Quality", DropDown},
    {IDD_PROFILE_ADVANCED, IDC_PDF_VERSION, L"PDF Version", DropDown},
    {IDD_PROFILE_ADVANCED, IDC_ALTERNATE_EMF, L"Alternate EMF Rendering", CheckBox},
};

std::wstring WithoutAccessKeyMarker(const std::wstring& text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        plain += text[i];
    }
    return plain;
}

// The label Windows names a box by: the nearest static control before it, looking no
// further back than a control that starts a group and is a tab stop.
std::wstring LabelBefore(HWND box) {
    for (HWND window = GetWindow(box, GW_HWNDPREV); window; window = GetWindow(window, GW_HWNDPREV)) {
        if (_wcsicmp(ClassNameOf(window).c_str(), L"Static") == 0) return WithoutAccessKeyMarker(WindowTextOf(window));
        if ((GetWindowLongW(window, GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP)) break;
    }
    return {};
}

bool Reachable(HWND control) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const bool radio = _wcsicmp(ClassNameOf(control).c_str(), L"Button") == 0 &&
                       ((style & BS_TYPEMASK) == BS_RADIOBUTTON || (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON);
    return IsWindowVisible(control) && ((style & WS_TABSTOP) || radio);
}

void CheckSpokenNames(HWND dialog, int templateId) {
    SCOPED_TRACE("template " + std::to_string(templateId));
    int listed = 0;
    for (const SpokenControl& entry : SpokenControls) {
        if (entry.templateId != templateId) continue;
        ++listed;
        HWND control = GetDlgItem(dialog, entry.controlId);
        ASSERT_NE(control, nullptr) << entry.controlId;
        const Spoken spoken = SpokenBy(control);
        const std::wstring className = ClassNameOf(control);
        const bool ownAnswer = AnswersForItself(control);
        // Wine 8's oleacc names a combo box by its text and a list box not at all;
        // Windows' names them by their label, as LabelBefore finds it.
        const bool labelled = !ownAnswer && (_wcsicmp(className.c_str(), L"ComboBox") == 0 ||
                                             _wcsicmp(className.c_str(), L"ListBox") == 0);
        EXPECT_EQ(labelled ? LabelBefore(control) : spoken.name, entry.name) << entry.controlId;
        // Wine 8's has no object for buttons, statics, combo boxes and lists: their role
        // is the plain "client" there, unless the program answers for the control.
        EXPECT_TRUE(spoken.role == entry.role || (spoken.role == ROLE_SYSTEM_CLIENT && !ownAnswer))
            << entry.controlId << " has role " << spoken.role;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!Reachable(child)) continue;
        const int id = GetDlgCtrlID(child);
        const bool inTable = std::any_of(std::begin(SpokenControls), std::end(SpokenControls), [&](const auto& entry) {
            return entry.templateId == templateId && entry.controlId == id;
        });
        EXPECT_TRUE(inTable) << "control " << id << " is missing from the table";
    }
    EXPECT_GT(listed, 0);
}

// The program's answer reaches a screen reader through COM, which the sheet's thread
// need not have set up; the apartment that the sheet's scope holds ends it again.
TEST(ScreenReaderNames, ReachTheReaderFromAThreadWithoutCom) {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    ASSERT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
    {
        ScreenReaderApartment apartment;
        HWND button = CreateWindowW(L"Button", L"...", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
        SetAccessibleName(button, IDS_BROWSE_DIRECTORY, ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(SpokenBy(button).name, L"Browse for the output directory");
        DestroyWindow(button);
    }
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED) << "COM is ended with the apartment";
}

std::vector<HWND> RenamedWindows;
void CALLBACK RecordRenaming(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (object == OBJID_CLIENT) RenamedWindows.push_back(window);
}

class ScreenReaders : public InstalledRegistryTest {};

TEST_F(ScreenReaders, EveryReachableControlHasItsNameAndRole) {
    ComApartment com;
    ASSERT_EQ(LoadSheetSettings(), 1);
    ModelessSheet sheet;
    for (int templateId :
         {IDD_GENERAL_PAGE, IDD_PAPER_PAGE, IDD_AGENT_PAGE, IDD_EMF_PAGE, IDD_PDF_PAGE, IDD_ABOUT_PAGE}) {
        HWND page = sheet.ShowPage(templateId);
        ASSERT_NE(page, nullptr) << templateId;
        CheckSpokenNames(page, templateId);
    }
    // The picture is named after the orientation chosen, and screen readers are told.
    HWND general = sheet.ShowPage(IDD_GENERAL_PAGE);
    HWND picture = GetDlgItem(general, IDC_ORIENTATION_PICTURE);
    RenamedWindows.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, RecordRenaming,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    Click(general, IDC_LANDSCAPE);
    PumpMessages();
    UnhookWinEvent(hook);
    EXPECT_EQ(SpokenBy(picture).name, L"Landscape");
    EXPECT_EQ(std::count(RenamedWindows.begin(), RenamedWindows.end(), picture), 1);

    // The nested dialogs as their pages open them.
    int walked = 0;
    {
        ModalDriver newForm(L"New Paper Form", {[&](HWND dialog) {
                                                   CheckSpokenNames(dialog, IDD_NEW_FORM);
                                                   ++walked;
                                                   PostClick(dialog, IDCANCEL);
                                               }});
        Click(sheet.ShowPage(IDD_PAPER_PAGE), IDC_ADD_FORM);
    }
    std::vector<ModalDriver::Step> profileSteps;
    for (int templateId : {IDD_PROFILE_DESCRIPTION, IDD_PROFILE_SECURITY, IDD_PROFILE_ADVANCED})
        profileSteps.push_back([&, templateId](HWND profileSheet) {
            CheckSpokenNames(ShowSheetPage(profileSheet, templateId), templateId);
            ++walked;
        });
    profileSteps.push_back(PressCancel());
    {
        ModalDriver profileSheet(ProfileSheetCaption, profileSteps);
        Click(sheet.ShowPage(IDD_PDF_PAGE), IDC_PDF_EDIT);
    }
    // The dialogs of Export and Import, from their templates.
    for (int templateId : {IDD_EXPORT_PROFILES, IDD_IMPORT_CONFLICT}) {
        HWND dialog = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(templateId), nullptr, PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << templateId;
        ShowWindow(dialog, SW_SHOW);
        CheckSpokenNames(dialog, templateId);
        DestroyWindow(dialog);
    }
    EXPECT_EQ(walked, 4);
}

}  // namespace
