// The administrative templates against the program. tests/policy/check_templates.py
// (the ctest test policy_templates) reads policy/LumarelPrinter.admx and writes every
// policy's registry effect, enabled with a sample value and disabled, beside this
// program; here those effects are compared with the program's own list of the machine
// values it reads, then written to the registry before properties.exe starts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/registry.h"
#include "base/texts.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/machine_values.h"
#include "settings/settings.h"
#include "tests/support/modeless_sheet.h"
#include "tests/support/process_driver.h"
#include "tests/support/agent_page_values.h"
#include "tests/support/registry_fixture.h"

namespace {

struct Effect {
    std::wstring state;  // "enabled" or "disabled"
    std::wstring policy;
    std::wstring key;    // below HKEY_LOCAL_MACHINE
    std::wstring name;
    std::wstring type;   // REG_DWORD, REG_SZ or DELETE
    std::wstring value;
};

std::wstring Widen(const std::string& text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
    std::vector<std::wstring> fields(1);
    for (wchar_t unit : line) {
        if (unit == L'\t') fields.emplace_back();
        else fields.back() += unit;
    }
    return fields;
}

// The effects file beside this program; empty when it is missing or damaged.
std::vector<Effect> LoadEffects() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(0, file.find_last_of(L'\\') + 1) + L"policy_effects.tsv";
    std::vector<Effect> effects;
    FILE* in = _wfopen(file.c_str(), L"rb");
    if (!in) return effects;
    std::string line;
    for (int c = std::fgetc(in);; c = std::fgetc(in)) {
        if (c != '\n' && c != EOF) {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty()) {
            std::vector<std::wstring> fields = SplitTabs(Widen(line));
            if (fields.size() != 6) {
                effects.clear();
                break;
            }
            effects.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
        }
        line.clear();
        if (c == EOF) break;
    }
    std::fclose(in);
    return effects;
}

const std::vector<Effect>& Effects() {
    static const std::vector<Effect> effects = LoadEffects();
    return effects;
}

std::wstring KeyOf(const MachineValue& value) {
    return FormatWithKeyName(value.key == MachineKeyKind::Machine ? MachineKeyFormat : DefaultsKeyFormat);
}

// A profile's fields that the templates leave out: the permissions and the encryption
// level mean something only with security, which needs passwords no form can set.
bool SecurityOnly(const std::wstring& field) {
    return field.rfind(L"Allow ", 0) == 0 || field == L"Encryption Level";
}

struct ReadValue {
    std::wstring key;  // below HKEY_LOCAL_MACHINE
    std::wstring name;
    DWORD type;
    bool administered;  // set by the templates
};

// What the program reads below HKEY_LOCAL_MACHINE, from its own lists: the plain values
// (settings/machine_values.h) and the values of the default profiles (the profile
// store's), of which the templates set one profile.
const std::vector<ReadValue>& ValuesTheProgramReads() {
    static const std::vector<ReadValue> values = [] {
        std::vector<ReadValue> read;
        for (const MachineValue& value : MachineValues)
            read.push_back({KeyOf(value), value.name, value.type, value.setByAdministrator});
        const std::wstring profiles = FormatWithKeyName(DefaultProfilesKeyFormat);
        read.push_back({profiles, ProfilesCountValue, REG_DWORD, true});
        read.push_back({profiles, CurrentProfileValue, REG_DWORD, true});
        for (const ProfileFieldValue& field : ProfileFieldValues())
            read.push_back({profiles, ProfileValueName(0, field.name), field.type, !SecurityOnly(field.name)});
        return read;
    }();
    return values;
}

const ReadValue* ListedValue(const Effect& effect) {
    for (const ReadValue& value : ValuesTheProgramReads())
        if (_wcsicmp(value.key.c_str(), effect.key.c_str()) == 0 && _wcsicmp(value.name.c_str(), effect.name.c_str()) == 0)
            return &value;
    return nullptr;
}

std::wstring TypeName(DWORD type) {
    return type == REG_DWORD ? L"REG_DWORD" : type == REG_SZ ? L"REG_SZ" : L"REG_BINARY";
}

class PolicyTemplates : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Effects().empty()) << "no policy_effects.tsv beside the test program: the ctest test "
                                           "policy_templates writes it (ctest -R policy)";
    }
};

TEST_F(PolicyTemplates, WriteTheMachineValuesTheProgramReadsWithTheirTypesAndSetEachOne) {
    for (const Effect& effect : Effects()) {
        const ReadValue* listed = ListedValue(effect);
        ASSERT_NE(listed, nullptr) << effect.policy << " writes " << effect.key << "\\" << effect.name
                                   << ", which the program does not read";
        EXPECT_TRUE(listed->administered) << effect.policy << " writes " << effect.name << ", not an administrator's";
        if (effect.type != L"DELETE") {
            EXPECT_EQ(effect.type, TypeName(listed->type)) << effect.policy << " " << effect.state;
        }
    }
    for (const ReadValue& value : ValuesTheProgramReads()) {
        if (!value.administered) continue;
        bool written = false;
        for (const Effect& effect : Effects()) written |= effect.state == L"enabled" && ListedValue(effect) == &value;
        EXPECT_TRUE(written) << "no policy sets " << value.key << "\\" << value.name;
    }
}

// ---------------------------------------------------------------------------
// Applied to the registry of a fresh installation (the Agent page's machine values, so
// that a disabled policy's deletions show), as a computer's registry holds them after
// the policy reached it, and seen by a user who has nothing of his own.

void Apply(const Effect& effect) {
    if (effect.type == L"DELETE") {
        // RegDeleteKeyValueW takes no view: the key is opened in the one the values are in.
        HKEY raw = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, effect.key.c_str(), 0,
                          KEY_SET_VALUE | InstallerView(HKEY_LOCAL_MACHINE), &raw) == ERROR_SUCCESS)
            RegDeleteValueW(UniqueRegKey(raw).get(), effect.name.c_str());
    } else if (effect.type == L"REG_DWORD") {
        SetDword(HKEY_LOCAL_MACHINE, effect.key.c_str(), effect.name.c_str(), wcstoul(effect.value.c_str(), nullptr, 10));
    } else {
        SetText(HKEY_LOCAL_MACHINE, effect.key.c_str(), effect.name.c_str(), effect.value);
    }
}

// Where the program shows a machine value.
enum class Shown {
    PageHidden,          // the page is left out of the sheet
    Check,               // a check box, ticked for non-zero
    Text,                // an edit box's text
    Number,              // an edit box's signed decimal text
    ListSelection,       // a drop-down list's selected entry
    StoredWithPdfPage,   // stored as the user's own by the PDF page's OK (no control shows it)
};

struct Probe {
    const wchar_t* name;
    int page;  // IDD_*
    int control;
    Shown shown;
    const wchar_t* userPath = UserKeyPath;  // where StoredWithPdfPage finds it
};

const Probe Probes[] = {
    {ValueName::AgentHidePage, IDD_AGENT_PAGE, 0, Shown::PageHidden},
    {ValueName::EmfHidePage, IDD_EMF_PAGE, 0, Shown::PageHidden},
    {ValueName::PdfHidePage, IDD_PDF_PAGE, 0, Shown::PageHidden},
    {ValueName::EmfEnabled, IDD_EMF_PAGE, IDC_EMF_SAVE, Shown::Check},
    {ValueName::PdfEnabled, IDD_PDF_PAGE, IDC_PDF_SAVE, Shown::Check},
    {ValueName::PdfSeparate, IDD_PDF_PAGE, IDC_PDF_SEPARATE, Shown::Check},
    {ValueName::PdfDoNotEmbedFonts, IDD_PDF_PAGE, IDC_PDF_NO_EMBED_FONTS, Shown::Check},
    {ValueName::PdfExcludeFonts, IDD_PDF_PAGE, 0, Shown::StoredWithPdfPage},
    {ValueName::ClientApplication, IDD_AGENT_PAGE, IDC_AGENT_APPLICATION, Shown::Text},
    {ValueName::TransferMode, IDD_AGENT_PAGE, IDC_AGENT_MODE, Shown::ListSelection},
    {ValueName::TargetWindowTitle, IDD_AGENT_PAGE, IDC_AGENT_TITLE, Shown::Text},
    {ValueName::MessageId, IDD_AGENT_PAGE, IDC_AGENT_MESSAGE_ID, Shown::Number},
    {ValueName::OutputDirectory, IDD_AGENT_PAGE, IDC_AGENT_DIRECTORY, Shown::Text},
    {ValueName::PreprocessingEnabled, IDD_AGENT_PAGE, IDC_AGENT_PREPROCESSING, Shown::Check},
    {ValueName::PreprocessingApplication, IDD_AGENT_PAGE, IDC_AGENT_PREPROCESSOR, Shown::Text},
};

// The default profiles become the user's own list with his first change on the PDF page.
const Probe DefaultProfileProbe{nullptr, IDD_PDF_PAGE, 0, Shown::StoredWithPdfPage, UserProfilesPath};

const Probe* ProbeOf(const Effect& effect) {
    for (const Probe& probe : Probes)
        if (_wcsicmp(probe.name, effect.name.c_str()) == 0) return &probe;
    if (_wcsicmp(effect.key.c_str(), FormatWithKeyName(DefaultProfilesKeyFormat).c_str()) == 0)
        return &DefaultProfileProbe;
    return nullptr;
}

DWORD NumberOf(const Effect& effect) {
    return effect.type == L"REG_DWORD" ? wcstoul(effect.value.c_str(), nullptr, 10) : 0;
}

// What the box must show for the effect; a deleted value shows as the program's zero
// (an empty text, 0, the first transfer mode).
void ExpectShown(ProgramUnderTest& program, const Effect& effect, const Probe& probe) {
    const bool deleted = effect.type == L"DELETE";
    HWND control = GetDlgItem(program.currentPage(), probe.control);
    switch (probe.shown) {
        case Shown::Check:
            EXPECT_EQ(program.checkState(probe.control), NumberOf(effect) ? BST_CHECKED : BST_UNCHECKED);
            break;
        case Shown::Text:
            EXPECT_EQ(program.controlText(probe.control), deleted ? L"" : effect.value);
            break;
        case Shown::Number:
            EXPECT_EQ(program.controlText(probe.control), std::to_wstring(static_cast<int>(NumberOf(effect))));
            break;
        case Shown::ListSelection:
            EXPECT_EQ(SendWithTimeout(control, CB_GETCURSEL, 0, 0), LRESULT(NumberOf(effect)));
            break;
        case Shown::PageHidden:
        case Shown::StoredWithPdfPage:
            break;
    }
}

class PolicyEffects : public InstalledRegistryTest, public ::testing::WithParamInterface<const wchar_t*> {
protected:
    // This state's effects on the values whose probe is (or is not) a hidden page.
    std::vector<Effect> Selected(bool hideSwitches) {
        std::vector<Effect> selected;
        for (const Effect& effect : Effects()) {
            if (effect.state != GetParam()) continue;
            const Probe* probe = ProbeOf(effect);
            EXPECT_NE(probe, nullptr) << "the program shows " << effect.name << " nowhere the test looks";
            if (probe && (probe->shown == Shown::PageHidden) == hideSwitches) selected.push_back(effect);
        }
        EXPECT_FALSE(selected.empty());
        for (const Effect& effect : selected) Apply(effect);
        return selected;
    }
};

TEST_P(PolicyEffects, HideSwitchesLeaveTheirPagesOut) {
    const std::vector<Effect> effects = Selected(true);
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    for (const Effect& effect : effects) {
        const bool hidden = NumberOf(effect) != 0;
        EXPECT_EQ(program.showPage(ProbeOf(effect)->page) < 0, hidden) << effect.policy;
    }
    ASSERT_TRUE(program.pressButton(PSBTN_CANCEL));
    EXPECT_EQ(program.waitForExit(), std::optional<DWORD>(0));
}

TEST_P(PolicyEffects, ANewUserSeesTheMachineValuesAndDefaults) {
    const std::vector<Effect> effects = Selected(false);
    ProgramUnderTest program;
    ASSERT_NE(program.waitForSheet(), nullptr);
    std::vector<std::pair<Effect, const Probe*>> storedLater;
    for (const Effect& effect : effects) {
        const Probe& probe = *ProbeOf(effect);
        ASSERT_GE(program.showPage(probe.page), 0) << effect.policy;
        SCOPED_TRACE(::testing::Message() << effect.policy << " " << effect.state << ": " << effect.name);
        ExpectShown(program, effect, probe);
        if (probe.shown == Shown::StoredWithPdfPage) storedLater.emplace_back(effect, &probe);
    }
    // An OK after two clicks on the PDF page stores nothing: what the user did not change
    // stays the machine's, so that a later policy reaches him.
    ASSERT_GE(program.showPage(IDD_PDF_PAGE), 0);
    ASSERT_TRUE(program.click(IDC_PDF_SAVE));
    ASSERT_TRUE(program.click(IDC_PDF_SAVE));
    ASSERT_TRUE(program.pressButton(PSBTN_OK));
    EXPECT_EQ(program.waitForExit(), std::optional<DWORD>(0));
    EXPECT_TRUE(program.boxesSeen().empty());
    for (const auto& [effect, probe] : storedLater) {
        SCOPED_TRACE(::testing::Message() << effect.policy << " " << effect.state << ": " << effect.name);
        EXPECT_EQ(ReadStored(HKEY_CURRENT_USER, probe->userPath, effect.name.c_str()), std::nullopt);
    }
}

// An Agent box's value as text: an edit box's text, or the number the other boxes stand for.
std::wstring AgentBoxShows(HWND page, const Probe& probe) {
    switch (probe.shown) {
        case Shown::Text:
        case Shown::Number: return ControlText(page, probe.control);
        case Shown::Check: return std::to_wstring(IsDlgButtonChecked(page, probe.control));
        default: return std::to_wstring(ComboSelection(page, probe.control));
    }
}

// The same for a stored value (absent: an empty text or 0).
std::wstring AsShown(const Probe& probe, std::optional<std::wstring> text, std::optional<DWORD> number) {
    if (probe.shown == Shown::Text) return text.value_or(L"");
    const DWORD value = number.value_or(0);
    return probe.shown == Shown::Number ? std::to_wstring(static_cast<int>(value)) : std::to_wstring(value);
}

// Each Agent policy applied alone, over a fresh installation: a user with no values of
// his own sees the policy's values and every other value the machine holds, each box on
// its own (the Agent page, in this process: it reads the registry as properties.exe does).
TEST_F(PolicyTemplates, EachAgentPolicyAloneLeavesTheMachinesOtherAgentValuesShown) {
    std::map<std::wstring, std::vector<Effect>> cases;  // state and policy: its effects
    for (const Effect& effect : Effects()) {
        const Probe* probe = ProbeOf(effect);
        if (probe && probe->page == IDD_AGENT_PAGE && probe->shown != Shown::PageHidden)
            cases[effect.state + L" " + effect.policy].push_back(effect);
    }
    EXPECT_GE(cases.size(), 12u) << "six Agent policies, enabled and disabled";
    for (const auto& [name, effects] : cases) {
        SCOPED_TRACE(::testing::Message() << name);
        DeleteProgramKeys();
        ResetSettings();
        InstallMachineAgentValues();
        std::map<const Probe*, std::wstring> expected;
        for (const Probe& probe : Probes)
            if (probe.page == IDD_AGENT_PAGE && probe.shown != Shown::PageHidden)
                expected[&probe] = AsShown(probe, ReadStoredText(HKEY_LOCAL_MACHINE, MachineKeyPath, probe.name),
                                           ReadStoredDword(HKEY_LOCAL_MACHINE, MachineKeyPath, probe.name));
        for (const Effect& effect : effects) {
            Apply(effect);
            const bool deleted = effect.type == L"DELETE";
            expected[ProbeOf(effect)] = AsShown(*ProbeOf(effect), deleted ? std::nullopt : std::optional(effect.value),
                                                deleted ? std::nullopt : std::optional(NumberOf(effect)));
        }
        ASSERT_EQ(LoadSheetSettings(), 1);
        ModelessSheet sheet;
        HWND page = sheet.ShowPage(IDD_AGENT_PAGE);
        ASSERT_NE(page, nullptr);
        for (const auto& [probe, value] : expected) EXPECT_EQ(AgentBoxShows(page, *probe), value) << probe->name;
    }
    DeleteProgramKeys();
}

INSTANTIATE_TEST_SUITE_P(States, PolicyEffects, ::testing::Values(L"enabled", L"disabled"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                             return std::wstring(info.param) == L"enabled" ? std::string("Enabled")
                                                                            : std::string("Disabled");
                         });

}  // namespace
