// Random registry states under the pages that read the registry once the sheet is up:
// the Agent page's values (with one edit or none), and the PDF page with the profile sheet. Each is
// one test that runs its states (tests/fuzz/fuzz_support.h):
//
//   tools/fuzz.sh agent [--seed S] [--states N]      (AgentPageFuzz.*)
//   tools/fuzz.sh profiles [--seed S] [--states N]   (ProfilePagesFuzz.*)
//
// and, on random states under both roots, one change of the sheet and its apply, which
// may write only what the change implies (tools/fuzz.sh rule, RuleFuzz.*).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/sheet_internal.h"
#include "handoff/agent_page.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/machine_values.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/dialog_input.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/modal_driver.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/pdf_page_fixture.h"
#include "tests/support/registry_fixture.h"

namespace {

// One state opens a sheet two or three times; far below this.
constexpr double StateLimitSeconds = 60;
// The sheet without the printer's pages: they need no registry of their own.
const SheetConditions NoDevicePages{1, 1, VER_PLATFORM_WIN32_NT, 0, 0, 0};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The text a record table reads of `stored`: its units up to the first terminator (an
// odd last byte is a unit of its own); empty when there is none.
std::wstring TextRead(const std::optional<StoredValue>& stored) {
    if (!stored) return {};
    std::vector<BYTE> bytes = stored->bytes;
    if (bytes.size() % 2) bytes.push_back(0);
    const auto* units = reinterpret_cast<const wchar_t*>(bytes.data());
    return std::wstring(units, wcsnlen(units, bytes.size() / sizeof(wchar_t)));
}

// The number a record table reads of `stored`: its bytes over 0 when they fit in four, else 0.
DWORD NumberRead(const std::optional<StoredValue>& stored) {
    DWORD number = 0;
    if (stored && stored->bytes.size() <= sizeof number) std::memcpy(&number, stored->bytes.data(), stored->bytes.size());
    return number;
}

// Whether `shown` is the stored value's text up to its first terminator: nothing from
// past the value, nothing else cut off than what a one-line edit control cuts itself
// (from the first line break on).
bool ShowsStoredText(const std::wstring& shown, const std::optional<StoredValue>& stored) {
    if (!stored) return false;
    const std::wstring text = TextRead(stored);
    if (shown == text) return true;
    return text.compare(0, shown.size(), shown) == 0 && shown.size() < text.size() &&
           (text[shown.size()] == L'\r' || text[shown.size()] == L'\n');
}

std::set<std::wstring> ValueNames(HKEY root, const wchar_t* path) {
    std::set<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | InstallerView(root), &key) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(name);
    }
    RegCloseKey(key);
    return names;
}

// ---------------------------------------------------------------------------
// (a) The Agent page's values

struct AgentRowShape {
    const wchar_t* name;
    DWORD type;
    int boxId;  // the edit that shows a text row; 0 for a number
};
const AgentRowShape AgentRowShapes[] = {
    {L"Client Application", REG_SZ, IDC_AGENT_APPLICATION},
    {L"Transfer Mode", REG_DWORD, 0},
    {L"Target window title", REG_SZ, IDC_AGENT_TITLE},
    {L"Message ID", REG_DWORD, 0},
    {L"Output Directory", REG_SZ, IDC_AGENT_DIRECTORY},
    {L"Preprocessing: Enabled", REG_DWORD, 0},
    {L"Preprocessing: Application", REG_SZ, IDC_AGENT_PREPROCESSOR},
};
constexpr wchar_t UnrelatedValue[] = L"Unrelated";

// Each of the seven values absent, well formed, huge, or of any type and size.
void FillAgentKey(FuzzRandom& random, HKEY root) {
    if (random.Chance(0.2)) return;  // no key at all
    SetRaw(root, UserKeyPath, UnrelatedValue, REG_SZ, L"x", 4);
    for (const AgentRowShape& row : AgentRowShapes) {
        random.KeepUnitsBelow256(row.type == REG_SZ);  // what reaches an edit control
        const uint32_t roll = random.Below(100);
        if (roll < 15) continue;
        if (roll < 50) {  // well formed
            if (row.type == REG_DWORD) {
                uint32_t number = random.InterestingNumber();
                SetRaw(root, UserKeyPath, row.name, REG_DWORD, &number, sizeof number);
            } else {
                std::wstring text(random.Below(300), L'p');
                for (wchar_t& unit : text) unit = static_cast<wchar_t>(L'a' + random.Below(26));
                SetText(root, UserKeyPath, row.name, text);
            }
        } else if (roll < 60) {  // huge: 40,000 to 100,000 bytes, terminated or not
            std::vector<BYTE> bytes = random.RandomBytes(40000 + random.Below(60000));
            SetRaw(root, UserKeyPath, row.name, random.Chance(0.8) ? REG_SZ : random.RandomType(), bytes.data(),
                   static_cast<DWORD>(bytes.size()));
        } else {
            random.SetRandomValue(root, UserKeyPath, row.name);
        }
    }
}

// What the page shows that no stored value explains, or empty.
std::string AgentPageMismatch(HWND page) {
    for (const AgentRowShape& row : AgentRowShapes) {
        if (!row.boxId) continue;
        const std::wstring shown = ControlText(page, row.boxId);
        if (shown.empty()) continue;
        if (!ShowsStoredText(shown, ReadStored(HKEY_CURRENT_USER, UserKeyPath, row.name)) &&
            !ShowsStoredText(shown, ReadStored(HKEY_LOCAL_MACHINE, MachineKeyPath, row.name)))
            return Narrow(std::wstring(row.name) + L" shows a text that is not the stored one: \"" + shown.substr(0, 40) +
                          L"\" (" + std::to_wstring(shown.size()) + L" units)");
    }
    return {};
}

// What the controls hold, per row, as the page compares them: a text, the list's
// selection, the number the message box reads as, the check box's state.
std::vector<StoredValue> AgentControls(HWND page) {
    const int numbers[] = {0, static_cast<int>(ComboSelection(page, IDC_AGENT_MODE)), 0,
                           static_cast<int>(ParseMessageId(ControlText(page, IDC_AGENT_MESSAGE_ID).c_str())), 0,
                           IsDlgButtonChecked(page, IDC_AGENT_PREPROCESSING) == BST_CHECKED ? 1 : 0};
    std::vector<StoredValue> values;
    for (size_t row = 0; row < std::size(AgentRowShapes); ++row)
        values.push_back(AgentRowShapes[row].boxId ? TextStored(ControlText(page, AgentRowShapes[row].boxId).c_str())
                                                   : DwordStored(static_cast<DWORD>(numbers[row])));
    return values;
}

// One edit a user might make, or none.
void EditAgentPage(FuzzRandom& random, HWND page) {
    std::wstring text(1 + random.Below(8), L'e');
    for (wchar_t& unit : text) unit = static_cast<wchar_t>(L'a' + random.Below(26));
    const int textBoxes[] = {IDC_AGENT_APPLICATION, IDC_AGENT_TITLE, IDC_AGENT_DIRECTORY, IDC_AGENT_PREPROCESSOR};
    switch (random.Below(5)) {
        case 0: break;
        case 1: TypeOver(page, random.OneOf(textBoxes), text); break;
        case 2: ChooseComboItem(page, IDC_AGENT_MODE, static_cast<int>(random.Below(3))); break;
        case 3: TypeOver(page, IDC_AGENT_MESSAGE_ID, std::to_wstring(static_cast<int>(random.InterestingNumber()))); break;
        case 4: Click(page, IDC_AGENT_PREPROCESSING); break;
    }
}

std::string RunAgentState(uint32_t seed) {
    FuzzRandom random(seed);
    DeleteProgramKeys();
    FillAgentKey(random, HKEY_CURRENT_USER);
    FillAgentKey(random, HKEY_LOCAL_MACHINE);
    const std::set<std::wstring> namesBefore = ValueNames(HKEY_CURRENT_USER, UserKeyPath);
    const std::optional<StoredValue> unrelatedBefore = ReadStored(HKEY_CURRENT_USER, UserKeyPath, UnrelatedValue);
    std::vector<std::optional<StoredValue>> userBefore, machineBefore;
    for (const AgentRowShape& row : AgentRowShapes) {
        userBefore.push_back(ReadStored(HKEY_CURRENT_USER, UserKeyPath, row.name));
        machineBefore.push_back(ReadStored(HKEY_LOCAL_MACHINE, MachineKeyPath, row.name));
    }

    MessageBoxWatcher boxes;
    ResetSettings();
    if (LoadSheetSettings() != 1) return "the start-up load failed";
    std::vector<StoredValue> atLoad, atApply;
    {
        ModelessSheet sheet(NoDevicePages);
        HWND page = sheet.ShowPage(IDD_AGENT_PAGE);
        if (!page) return "no Agent page";
        std::string mismatch = AgentPageMismatch(page);
        if (!mismatch.empty()) return "opened: " + mismatch;
        atLoad = AgentControls(page);
        EditAgentPage(random, page);
        atApply = AgentControls(page);
        if (!sheet.Apply()) return "the apply was refused";
    }
    for (const ObservedBox& box : boxes.boxes())
        if (box.text.rfind(L"Failed to read default printer settings from HKLM.", 0) != 0)
            return "a box no reading failure explains: " + Narrow(box.text);

    // Nothing changed: nothing written. A change: the changed value as the page held it,
    // every other value the user had as it was, every one he had not as it was shown.
    const bool anyChanged = atLoad != atApply;
    std::set<std::wstring> expectedNames = namesBefore;
    for (size_t row = 0; row < std::size(AgentRowShapes); ++row) {
        const AgentRowShape& shape = AgentRowShapes[row];
        std::optional<StoredValue> expected = userBefore[row];
        if (anyChanged && atLoad[row] != atApply[row])
            expected = atApply[row];
        else if (anyChanged && !userBefore[row])
            expected = shape.boxId ? TextStored(TextRead(machineBefore[row]).c_str())
                                   : DwordStored(NumberRead(machineBefore[row]));
        if (expected) expectedNames.insert(shape.name);
        if (ReadStored(HKEY_CURRENT_USER, UserKeyPath, shape.name) != expected)
            return Narrow(std::wstring(shape.name) + (anyChanged ? L" not as the change implies" : L" written without a change"));
        if (ReadStored(HKEY_LOCAL_MACHINE, MachineKeyPath, shape.name) != machineBefore[row])
            return "the apply wrote under the machine key";
    }
    if (ValueNames(HKEY_CURRENT_USER, UserKeyPath) != expectedNames ||
        ReadStored(HKEY_CURRENT_USER, UserKeyPath, UnrelatedValue) != unrelatedBefore)
        return "the apply touched another value";

    // Reopened: the page shows stored values.
    ModelessSheet sheet(NoDevicePages);
    HWND page = sheet.ShowPage(IDD_AGENT_PAGE);
    if (!page) return "no Agent page when reopened";
    std::string mismatch = AgentPageMismatch(page);
    return mismatch.empty() ? std::string() : "reopened: " + mismatch;
}

TEST(AgentPageFuzz, ValuesOfAnyShapeOpenEditApplyAndReopen) {
    EXPECT_EQ(RunFuzzStates("agent", FuzzOptionsFromCommandLine({1, 300}),
                            StateLimitSeconds, RunAgentState),
              0);
    DeleteProgramKeys();
}

// ---------------------------------------------------------------------------
// (b) The PDF page and the profile sheet on damaged profiles

bool IsTextField(const wchar_t* field) {
    for (const wchar_t* text : {L"Profile name", L"Title", L"Author", L"Subject", L"Keywords", L"User password",
                                L"Owner password"})
        if (!wcscmp(field, text)) return true;
    return false;
}

// A few profiles whose every value may be out of range, of another type, or absent.
void FillProfiles(FuzzRandom& random) {
    const uint32_t count = 1 + random.Below(4);
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", REG_DWORD, &count, sizeof count);
    uint32_t current = random.Below(count + 2);
    SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"Current profile", REG_DWORD, &current, sizeof current);
    SetDword(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled", 1);
    for (uint32_t index = 0; index < count; ++index)
        for (const wchar_t* field : ProfileFieldNames) {
            if (random.Chance(0.15)) continue;
            random.KeepUnitsBelow256(IsTextField(field));  // what reaches an edit control
            const std::wstring name = ProfileValueName(static_cast<int>(index), field);
            if (random.Chance(0.5)) {
                uint32_t number = random.InterestingNumber();
                SetRaw(HKEY_CURRENT_USER, UserProfilesPath, name.c_str(), REG_DWORD, &number, sizeof number);
            } else {
                random.SetRandomValue(HKEY_CURRENT_USER, UserProfilesPath, name.c_str());
            }
        }
}

struct TextControl {
    int id;
    wchar_t PdfProfile::*field;
};

struct ChoiceControl {
    int id;
    int PdfProfile::*field;
    int items;
};
const ChoiceControl ChoiceControls[] = {
    {IDC_PAGE_LAYOUT, &PdfProfile::pageLayout, 4},
    {IDC_PAGE_MODE, &PdfProfile::pageMode, 4},
    {IDC_DOCUMENT_COMPRESSION, &PdfProfile::documentCompression, 2},
    {IDC_IMAGES_COMPRESSION, &PdfProfile::imagesCompression, 5},
    {IDC_PDF_VERSION, &PdfProfile::pdfVersion, 2},
};

// What the three pages of the profile sheet show that the profile does not explain.
std::string ProfileSheetMismatch(HWND sheet, const PdfProfile& profile) {
    HWND description = ShowSheetPage(sheet, IDD_PROFILE_DESCRIPTION);
    const std::pair<int, const wchar_t*> texts[] = {{IDC_PROFILE_NAME, profile.name},
                                                    {IDC_PROFILE_TITLE, profile.title},
                                                    {IDC_PROFILE_AUTHOR, profile.author},
                                                    {IDC_PROFILE_SUBJECT, profile.subject},
                                                    {IDC_PROFILE_KEYWORDS, profile.keywords}};
    if (!description) return "no Description page";
    for (const auto& [id, text] : texts)
        if (ControlText(description, id) != text) return "a description text is not the profile's";
    HWND security = ShowSheetPage(sheet, IDD_PROFILE_SECURITY);
    if (!security) return "no Security page";
    if (ControlText(security, IDC_USER_PASSWORD) != profile.userPassword ||
        ControlText(security, IDC_OWNER_PASSWORD) != profile.ownerPassword)
        return "a password is not the profile's";
    HWND advanced = ShowSheetPage(sheet, IDD_PROFILE_ADVANCED);
    if (!advanced) return "no Advanced page";
    for (const ChoiceControl& choice : ChoiceControls) {
        const int value = profile.*choice.field;
        const int expected = value >= 0 && value < choice.items ? value : CB_ERR;
        if (ComboItems(advanced, choice.id).size() != static_cast<size_t>(choice.items) ||
            ComboSelection(advanced, choice.id) != expected)
            return "a drop-down list does not show the profile's value";
    }
    if (ControlText(advanced, IDC_JPEG_QUALITY).empty()) return "the JPEG quality shows nothing";
    return {};
}

bool SameTextsAndChoices(const PdfProfile& a, const PdfProfile& b) {
    if (wcscmp(a.name, b.name) || wcscmp(a.title, b.title) || wcscmp(a.author, b.author) ||
        wcscmp(a.subject, b.subject) || wcscmp(a.keywords, b.keywords))
        return false;
    for (const ChoiceControl& choice : ChoiceControls)
        if (a.*choice.field != b.*choice.field) return false;
    return true;
}

std::string RunProfileState(uint32_t seed) {
    FuzzRandom random(seed);
    DeleteProgramKeys();
    FillProfiles(random);
    MessageBoxWatcher boxes;
    ResetSettings();
    if (LoadSheetSettings() != 1) return "the start-up load failed";
    std::vector<PdfProfile> before;
    for (int index = 0; index < Settings.Profiles.Count(); ++index)
        before.push_back(Normalised(Settings.Profiles.At(index)));
    const bool pressOk = random.Chance(0.5);
    const int edited = static_cast<int>(random.Below(static_cast<uint32_t>(before.size())));
    std::string broken;
    {
        ModelessSheet sheet(NoDevicePages);
        HWND page = sheet.ShowPage(IDD_PDF_PAGE);
        if (!page) return "no PDF page";
        const std::vector<std::wstring> entries = ListEntries(page, IDC_PDF_PROFILE_LIST);
        if (entries.size() != before.size()) return "the list does not show every profile";
        for (size_t index = 0; index < entries.size(); ++index)
            if (entries[index] != before[index].name) return "a list entry is not its profile's name";
        ClickListEntry(page, IDC_PDF_PROFILE_LIST, edited);
        // Inspect, then OK or Cancel; an OK refused (an empty name) is followed by Cancel.
        ModalDriver driver(ProfileSheetCaption, {[&](HWND profileSheet) {
                                                     broken = ProfileSheetMismatch(profileSheet, before[edited]);
                                                 },
                                                 pressOk ? PressOk() : PressCancel(), PressCancel()});
        Click(page, IDC_PDF_EDIT);
        if (driver.windowsSeen() != 1) return "Edit opened no profile sheet";
        if (!broken.empty()) return broken;
        if (!sheet.Apply()) return "the apply was refused";
    }
    const bool nameEmpty = before[edited].name[0] == L'\0';
    for (const ObservedBox& box : boxes.boxes())
        if (!(pressOk && nameEmpty && box.text == L"Please enter the profile name."))
            return "an unexpected box: " + Narrow(box.text);

    // The store loads again, with the same profiles (an OK may settle the check boxes).
    const size_t boxesBefore = boxes.boxes().size();
    ResetSettings();
    if (LoadSheetSettings() != 1 || boxes.boxes().size() != boxesBefore) return "the store does not load";
    if (Settings.Profiles.Count() != static_cast<int>(before.size())) return "the store lost or gained profiles";
    for (int index = 0; index < Settings.Profiles.Count(); ++index) {
        const PdfProfile after = Normalised(Settings.Profiles.At(index));
        const bool settled = pressOk && index == edited;
        if (settled ? !SameTextsAndChoices(after, before[index])
                    : std::memcmp(&after, &before[index], sizeof after) != 0)
            return "profile " + std::to_string(index) + " changed";
    }
    return {};
}

TEST(ProfilePagesFuzz, DamagedProfilesShownEditedAndKept) {
    EXPECT_EQ(RunFuzzStates("profiles", FuzzOptionsFromCommandLine({1, 150}),
                            StateLimitSeconds, RunProfileState),
              0);
    DeleteProgramKeys();
}

// ---------------------------------------------------------------------------
// (c) One change on the sheet, and what its apply may write

// Every plain value under both roots (no hide switch: it would take its page away), the
// Agent page's, the user's profiles with at times a damaged count, and machine profiles.
// Returns whether the count was damaged.
bool FillRuleState(FuzzRandom& random) {
    random.KeepUnitsBelow256(true);  // the About page shows "Version"
    for (const MachineValue& value : MachineValues) {
        if (random.Chance(0.4)) random.SetRandomValue(HKEY_CURRENT_USER, UserKeyPath, value.name);
        if (!wcsstr(value.name, L"Hide page") && random.Chance(0.4))
            random.SetRandomValue(HKEY_LOCAL_MACHINE,
                                  value.key == MachineKeyKind::Defaults ? DefaultsKeyPath : MachineKeyPath, value.name);
    }
    FillAgentKey(random, HKEY_CURRENT_USER);
    FillAgentKey(random, HKEY_LOCAL_MACHINE);
    FillProfiles(random);
    SetText(HKEY_CURRENT_USER, UserProfilesPath, L"[0] Profile name", L"First");  // never a list made up
    if (random.Chance(0.2)) random.SetRandomValue(HKEY_CURRENT_USER, UserKeyPath, L"PDF: Enabled");
    SetDword(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"Profiles count", 1);
    random.SetRandomValue(HKEY_LOCAL_MACHINE, DefaultProfilesPath, L"[0] Title");
    if (!random.Chance(0.25)) return false;
    const uint32_t numbers[] = {0x80000000u, 0xffffffffu, 0x7fffffffu, 0xfffffff0u};
    const uint64_t wide = 3;
    switch (random.Below(3)) {
        case 0: SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", REG_DWORD, &random.OneOf(numbers), 4); break;
        case 1: SetRaw(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", REG_QWORD, &wide, sizeof wide); break;
        default: SetText(HKEY_CURRENT_USER, UserProfilesPath, L"Profiles count", L"3"); break;
    }
    return true;
}

// The highest index that holds a value of a profile field, or -1.
int HighestHeldIndex(const KeyValues& profiles) {
    int highest = -1;
    for (const auto& entry : profiles)
        for (const wchar_t* field : ProfileFieldNames) {
            const size_t close = entry.first.find(L"] ");
            if (entry.first[0] == L'[' && close != std::wstring::npos && entry.first.substr(close + 2) == field)
                highest = std::max(highest, _wtoi(entry.first.c_str() + 1));
        }
    return highest;
}

// A REG_DWORD of four bytes, or a REG_SZ of one text and its terminator: a value as the
// Agent page writes it.
bool AgentValueWhole(const MaybeStored& value, DWORD type) {
    if (!value || value->type != type) return false;
    if (type == REG_DWORD) return value->bytes.size() == 4;
    const size_t units = value->bytes.size() / 2;
    const auto* text = reinterpret_cast<const wchar_t*>(value->bytes.data());
    return value->bytes.size() % 2 == 0 && units > 0 && wcsnlen(text, units) == units - 1;
}

enum class RuleChange { None, PdfBox, Emf, Select, Edit, Delete, Append, Agent };
const char* const RuleChangeNames[] = {"none", "PDF box", "EMF", "select", "edit", "delete", "add", "Agent"};
int RuleChangesSeen[std::size(RuleChangeNames)] = {};

std::string RunRuleState(uint32_t seed) {
    FuzzRandom random(seed);
    DeleteProgramKeys();
    const bool damagedCount = FillRuleState(random);
    const ProgramValues before = ReadProgramValues();

    MessageBoxWatcher boxes;
    ResetSettings();
    if (LoadSheetSettings() != 1) return "the start-up load failed";
    if (damagedCount && Settings.Profiles.Count() <= HighestHeldIndex(before[UserProfilesIndex]))
        return "a damaged count hid stored profiles";
    const std::vector<PdfProfile> loaded = LoadedProfiles();
    const int loadedCurrent = Settings.CurrentProfile;
    const SettingsBlock shown = Settings;
    std::vector<AllowedChanges> allowed(std::size(ProgramKeys));
    allowed[UserKeyIndex][L"Last Viewed Page"] = {std::nullopt, [](const MaybeStored&) { return true; }};

    RuleChange change = static_cast<RuleChange>(random.Below(std::size(RuleChangeNames)));
    const std::wstring typed = L"Typed " + std::to_wstring(seed);
    {
        ModelessSheet sheet(NoDevicePages);
        HWND agent = sheet.ShowPage(IDD_AGENT_PAGE), emf = sheet.ShowPage(IDD_EMF_PAGE),
             pdf = sheet.ShowPage(IDD_PDF_PAGE);
        if (!agent || !emf || !pdf) return "a page is missing";
        const bool listUsable = IsControlEnabled(pdf, IDC_PDF_PROFILE_LIST);
        // Deleting the only profile leaves no list a current index could name: not fuzzed.
        if (((change == RuleChange::Select || change == RuleChange::Delete) && loaded.size() < 2) ||
            (change >= RuleChange::Select && change <= RuleChange::Append && !listUsable))
            change = RuleChange::PdfBox;
        const int boxIds[] = {IDC_PDF_SAVE, IDC_PDF_SEPARATE, IDC_PDF_NO_EMBED_FONTS};
        switch (change) {
            case RuleChange::PdfBox: {
                const int box = random.OneOf(boxIds);
                Click(pdf, IsControlEnabled(pdf, box) ? box : IDC_PDF_SAVE);
                break;
            }
            case RuleChange::Emf: Click(emf, IDC_EMF_SAVE); break;
            case RuleChange::Select: {
                const int other = static_cast<int>(random.Below(static_cast<uint32_t>(loaded.size()) - 1));
                ClickListEntry(pdf, IDC_PDF_PROFILE_LIST, other >= loadedCurrent ? other + 1 : other);
                break;
            }
            case RuleChange::Edit: {
                const int fields[] = {IDC_PROFILE_NAME, IDC_PROFILE_TITLE, IDC_PROFILE_AUTHOR, IDC_PROFILE_SUBJECT,
                                      IDC_PROFILE_KEYWORDS};
                const int field = loaded[loadedCurrent].name[0] ? random.OneOf(fields) : IDC_PROFILE_NAME;
                ModalDriver driver(ProfileSheetCaption,
                                   {[&](HWND profileSheet) {
                                        TypeOver(ShowSheetPage(profileSheet, IDD_PROFILE_DESCRIPTION), field, typed);
                                    },
                                    PressOk(), PressCancel()});
                Click(pdf, IDC_PDF_EDIT);
                break;
            }
            case RuleChange::Delete:
                boxes.answerWith(IDYES);
                Click(pdf, IDC_PDF_DELETE);
                break;
            case RuleChange::Append: {
                ModalDriver driver(ProfileSheetCaption, {TypeProfileName(typed), PressOk(), PressCancel()});
                Click(pdf, IDC_PDF_NEW);
                break;
            }
            case RuleChange::Agent: TypeOver(agent, IDC_AGENT_APPLICATION, typed); break;
            case RuleChange::None: break;
        }
        ++RuleChangesSeen[static_cast<int>(change)];
        sheet.Apply();
    }

    // What the change implies: a box of the PDF or EMF page that now holds another value.
    const std::pair<const wchar_t*, DWORD SettingsBlock::*> boxValues[] = {
        {ValueName::PdfEnabled, &SettingsBlock::PdfEnabled},
        {ValueName::PdfSeparate, &SettingsBlock::PdfSeparate},
        {ValueName::PdfDoNotEmbedFonts, &SettingsBlock::PdfDoNotEmbedFonts},
        {ValueName::EmfEnabled, &SettingsBlock::EmfEnabled}};
    for (const auto& [name, field] : boxValues)
        if (Settings.*field != shown.*field) allowed[UserKeyIndex][name] = {DwordStored(Settings.*field), nullptr};
    // An edited Agent box: it, and each other row the user key does not hold (settings/agent_values.h).
    for (const AgentRowShape& row : AgentRowShapes) {
        if (change != RuleChange::Agent) break;
        if (row.boxId == IDC_AGENT_APPLICATION)
            allowed[UserKeyIndex][row.name] = {TextStored(typed.c_str()), nullptr};
        else if (!before[UserKeyIndex].count(row.name))
            allowed[UserKeyIndex][row.name] = {std::nullopt, [type = row.type](const MaybeStored& value) {
                                                  return AgentValueWhole(value, type);
                                              }};
    }
    const ListChange listChanges[] = {ListChange::None,   ListChange::None,   ListChange::None,   ListChange::Select,
                                      ListChange::Edit,   ListChange::Delete, ListChange::Append, ListChange::None};
    allowed[UserProfilesIndex] = ProfileKeyChanges(before[UserProfilesIndex], loaded, loadedCurrent, LoadedProfiles(),
                                                Settings.CurrentProfile, listChanges[static_cast<int>(change)],
                                                loadedCurrent);
    const std::string broken = UnexplainedChanges(before, ReadProgramValues(), allowed);
    return broken.empty() ? broken : std::string(RuleChangeNames[static_cast<int>(change)]) + ": " + broken;
}

TEST(RuleFuzz, AnApplyWritesWhatTheChangeImplies) {
    EXPECT_EQ(RunFuzzStates("rule", FuzzOptionsFromCommandLine({1, 150}), StateLimitSeconds, RunRuleState, [] {
                  std::string seen = "changes made:";
                  for (size_t kind = 0; kind < std::size(RuleChangeNames); ++kind)
                      seen += std::string(" ") + RuleChangeNames[kind] + " x" + std::to_string(RuleChangesSeen[kind]) + ";";
                  return seen;
              }),
              0);
    DeleteProgramKeys();
}

}  // namespace
