// The dialogs of Copy's siblings on the PDF page: which profiles "Export..." writes, the
// file chosen for export or import, and what an import does with a profile whose name the
// list has.
#pragma once

#include <windows.h>

#include <string>

#include "pdf/profile_transfer.h"

// What the user chose in "Export Profiles".
struct ExportDialogChoice {
    bool allProfiles = false;
    bool passwords = false;
    bool plainValues = false;
};

// "Export Profiles", owned by `owner`; "The selected profile" is offered only when
// `haveSelection`. False when cancelled.
bool AskExportChoice(HWND owner, bool haveSelection, ExportDialogChoice& choice);

// The system's save or open dialog for a settings file. False when cancelled.
bool ChooseSettingsFile(HWND owner, bool forSaving, std::wstring& path);

// "Import Profiles" for a profile named `name` that the list has. False when the user
// cancels the import.
bool AskConflictAnswer(HWND owner, const std::wstring& name, const std::wstring& copyName, ConflictAnswer& answer);

// The dialog procedures, for the tests that drive them.
INT_PTR CALLBACK ExportDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConflictDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
