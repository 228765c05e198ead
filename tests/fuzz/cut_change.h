// The scripted changes of the cut fuzzer (tools/fuzz.sh cuts), shared by the parent,
// which foresees what they write, and the child, which makes and saves them.
#pragma once

#include <cwchar>

#include "settings/agent_values.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"

struct CutChange {
    const wchar_t* name;  // the child's argument
    ListChange kind;
    int index;            // the profile edited, appended or deleted
    int storedProfiles;   // in the store the change is made on
    bool agent = false;   // an Agent change instead, saved by SaveAgentChange
};
inline constexpr CutChange CutChanges[] = {
    {L"append", ListChange::Append, 20, 20},
    {L"edit", ListChange::Edit, 7, 20},
    {L"delete", ListChange::Delete, 500, 1000},
    {L"agent", ListChange::None, 0, 20, true},
};
// The Agent change: the application typed over.
inline constexpr wchar_t CutApplication[] = L"C:\\Cut\\client.exe";

// Makes a list change on the loaded list as the PDF page does: New makes the new profile
// the current one, Delete leaves the current index as it was.
inline bool MakeCutChange(const CutChange& change) {
    if (!Settings.Profiles.Contains(change.index) && change.kind != ListChange::Append) return false;
    switch (change.kind) {
        case ListChange::Append: {
            PdfProfile added = MakeDefaultProfile();
            wcscpy(added.name, L"Appended");
            wcscpy(added.title, L"Made by the cut test");
            if (!Settings.Profiles.Append(added)) return false;
            Settings.CurrentProfile = Settings.Profiles.Count() - 1;
            return true;
        }
        case ListChange::Edit: {
            PdfProfile& edited = Settings.Profiles.At(change.index);
            wcscpy(edited.title, L"Edited title");
            wcscpy(edited.author, L"Edited author");
            edited.jpegQuality = 55;
            edited.pageMode = 3;
            return true;
        }
        case ListChange::Delete: return Settings.Profiles.Remove(change.index);
        default: return false;
    }
}
