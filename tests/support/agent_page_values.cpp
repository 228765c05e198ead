#include "tests/support/agent_page_values.h"

#include <string>

bool operator==(const AgentValues& a, const AgentValues& b) {
    return a.application == b.application && a.transferMode == b.transferMode && a.title == b.title &&
           a.messageId == b.messageId && a.directory == b.directory && a.preprocessing == b.preprocessing &&
           a.preprocessor == b.preprocessor;
}

void PrintTo(const AgentValues& v, std::ostream* out) {
    auto narrow = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    *out << "{\"" << narrow(v.application) << "\", " << v.transferMode << ", \"" << narrow(v.title) << "\", "
         << v.messageId << ", \"" << narrow(v.directory) << "\", " << v.preprocessing << ", \""
         << narrow(v.preprocessor) << "\"}";
}

std::optional<AgentValues> ReadAgentValues(HKEY root) {
    auto application = ReadStoredText(root, UserKeyPath, L"Client Application");
    auto mode = ReadStoredDword(root, UserKeyPath, L"Transfer Mode");
    auto title = ReadStoredText(root, UserKeyPath, L"Target window title");
    auto messageId = ReadStoredDword(root, UserKeyPath, L"Message ID");
    auto directory = ReadStoredText(root, UserKeyPath, L"Output Directory");
    auto preprocessing = ReadStoredDword(root, UserKeyPath, L"Preprocessing: Enabled");
    auto preprocessor = ReadStoredText(root, UserKeyPath, L"Preprocessing: Application");
    if (!application || !mode || !title || !messageId || !directory || !preprocessing || !preprocessor)
        return std::nullopt;
    return AgentValues{*application, *mode, *title, *messageId, *directory, *preprocessing, *preprocessor};
}

void SetAgentValues(HKEY root, const AgentValues& values) {
    SetText(root, UserKeyPath, L"Client Application", values.application);
    SetDword(root, UserKeyPath, L"Transfer Mode", values.transferMode);
    SetText(root, UserKeyPath, L"Target window title", values.title);
    SetDword(root, UserKeyPath, L"Message ID", values.messageId);
    SetText(root, UserKeyPath, L"Output Directory", values.directory);
    SetDword(root, UserKeyPath, L"Preprocessing: Enabled", values.preprocessing);
    SetText(root, UserKeyPath, L"Preprocessing: Application", values.preprocessor);
}

void InstallMachineAgentValues() {
    SetAgentValues(HKEY_LOCAL_MACHINE, {L"C:\\Program Files\\Lumarel\\client.exe", 2, L"", 0, L"C:\\Output", 0, L""});
}
