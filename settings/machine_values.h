// The values the program reads below HKEY_LOCAL_MACHINE: the one list of their keys,
// names and types. The start-up load and the Agent page read them by these names, the
// EMF and PDF pages write the user's values of the same names by them, and the
// administrative templates in policy/ are checked against this list.
#pragma once

#include <windows.h>

#include <cstddef>

namespace ValueName {
inline constexpr wchar_t AgentHidePage[] = L"Agent: Hide page";
inline constexpr wchar_t EmfHidePage[] = L"EMF: Hide page";
inline constexpr wchar_t PdfHidePage[] = L"PDF: Hide page";
inline constexpr wchar_t Version[] = L"Version";
inline constexpr wchar_t EmfEnabled[] = L"EMF: Enabled";
inline constexpr wchar_t PdfEnabled[] = L"PDF: Enabled";
inline constexpr wchar_t PdfSeparate[] = L"PDF: Separate";
inline constexpr wchar_t PdfExcludeFonts[] = L"PDF: Exclude fonts";
inline constexpr wchar_t PdfDoNotEmbedFonts[] = L"PDF: Do not embed fonts";
inline constexpr wchar_t ClientApplication[] = L"Client Application";
inline constexpr wchar_t TransferMode[] = L"Transfer Mode";
inline constexpr wchar_t TargetWindowTitle[] = L"Target window title";
inline constexpr wchar_t MessageId[] = L"Message ID";
inline constexpr wchar_t OutputDirectory[] = L"Output Directory";
inline constexpr wchar_t PreprocessingEnabled[] = L"Preprocessing: Enabled";
inline constexpr wchar_t PreprocessingApplication[] = L"Preprocessing: Application";
}  // namespace ValueName

// Below HKEY_LOCAL_MACHINE: "Software\%s" and "Software\%s\Defaults" (settings.h).
enum class MachineKeyKind { Machine, Defaults };

struct MachineValue {
    MachineKeyKind key;
    const wchar_t* name;
    DWORD type;                // REG_DWORD or REG_SZ, as the program reads it
    bool setByAdministrator;  // false: the installer's alone ("Version")
};

// The user's own value of the same name (under HKEY_CURRENT_USER) wins over every
// value of the Defaults key and over the Agent page's machine values; nothing of the
// user's stands before the hide switches.
inline constexpr MachineValue MachineValues[] = {
    {MachineKeyKind::Machine, ValueName::AgentHidePage, REG_DWORD, true},
    {MachineKeyKind::Machine, ValueName::EmfHidePage, REG_DWORD, true},
    {MachineKeyKind::Machine, ValueName::PdfHidePage, REG_DWORD, true},
    {MachineKeyKind::Machine, ValueName::Version, REG_SZ, false},
    {MachineKeyKind::Defaults, ValueName::EmfEnabled, REG_DWORD, true},
    {MachineKeyKind::Defaults, ValueName::PdfEnabled, REG_DWORD, true},
    {MachineKeyKind::Defaults, ValueName::PdfSeparate, REG_DWORD, true},
    {MachineKeyKind::Defaults, ValueName::PdfExcludeFonts, REG_SZ, true},
    {MachineKeyKind::Defaults, ValueName::PdfDoNotEmbedFonts, REG_DWORD, true},
    // The Agent page's rows, in the order its record tables read and write them.
    {MachineKeyKind::Machine, ValueName::ClientApplication, REG_SZ, true},
    {MachineKeyKind::Machine, ValueName::TransferMode, REG_DWORD, true},
    {MachineKeyKind::Machine, ValueName::TargetWindowTitle, REG_SZ, true},
    {MachineKeyKind::Machine, ValueName::MessageId, REG_DWORD, true},
    {MachineKeyKind::Machine, ValueName::OutputDirectory, REG_SZ, true},
    {MachineKeyKind::Machine, ValueName::PreprocessingEnabled, REG_DWORD, true},
    {MachineKeyKind::Machine, ValueName::PreprocessingApplication, REG_SZ, true},
};

// Where the Agent page's seven rows start in MachineValues.
inline constexpr size_t FirstAgentValue = 9;
inline constexpr size_t AgentValueCount = 7;
static_assert(FirstAgentValue + AgentValueCount == sizeof MachineValues / sizeof MachineValues[0],
              "the Agent page's rows end the list");
