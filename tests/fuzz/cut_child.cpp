// cut_child CHANGE EVENT: loads as the program starts, makes the scripted change CHANGE
// (tests/fuzz/cut_change.h), sets the named event EVENT and saves as its page does,
// then sets "EVENT saved". The cut fuzzer ends it at a random instant of the save.
#include <windows.h>

#include <cwchar>
#include <string>

#include "base/globals.h"
#include "base/handles.h"
#include "pdf/profile_store.h"
#include "settings/settings.h"
#include "tests/fuzz/cut_change.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    InitProcessGlobals(GetModuleHandleW(nullptr));
    ResetSettings();
    Failure failure;
    if (!LoadSettings(failure) || !LoadPdfProfiles(failure)) return 3;
    const CutChange* change = nullptr;
    for (const CutChange& known : CutChanges)
        if (!wcscmp(known.name, argv[1])) change = &known;
    if (!change || (!change->agent && !MakeCutChange(*change))) return 4;
    const AgentLoad agent = LoadAgentValues();
    AgentShown edited = agent.shown;
    edited[AgentApplication].text = CutApplication;
    UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    UniqueHandle saved(OpenEventW(EVENT_MODIFY_STATE, FALSE, (std::wstring(argv[2]) + L" saved").c_str()));
    if (!ready || !saved || !SetEvent(ready.get())) return 5;
    NotStored notStored;
    if (!(change->agent ? SaveAgentChange(agent, edited, notStored) : SavePdfProfiles(notStored))) return 6;
    SetEvent(saved.get());
    return 0;
}
