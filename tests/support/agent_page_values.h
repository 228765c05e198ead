// The Agent page's data for its tests, the end-to-end runs and the installed-registry
// fixture (tests/support/registry_fixture.h): its seven values, stored and read.
#pragma once

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>

#include "tests/support/registry_fixture.h"

// The Agent page's seven values under root\Software\LumarelPrinter.
struct AgentValues {
    std::wstring application;   // "Client Application"
    DWORD transferMode;         // "Transfer Mode"
    std::wstring title;         // "Target window title"
    DWORD messageId;            // "Message ID"
    std::wstring directory;     // "Output Directory"
    DWORD preprocessing;        // "Preprocessing: Enabled"
    std::wstring preprocessor;  // "Preprocessing: Application"
};
bool operator==(const AgentValues& a, const AgentValues& b);
void PrintTo(const AgentValues& values, std::ostream* out);
void SetAgentValues(HKEY root, const AgentValues& values);
// All seven with their types (REG_SZ, REG_DWORD), or nothing.
std::optional<AgentValues> ReadAgentValues(HKEY root);
// The values a product installation leaves under the machine key, so that the Agent
// page has defaults to show (without them it reports the missing machine values).
void InstallMachineAgentValues();
