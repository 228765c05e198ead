// Registry state for tests: each test starts without any of the program's keys. The
// program's key paths, setting, reading and denying values, and the fixtures (the Agent
// page's values are in tests/support/agent_page_values.h).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "base/registry.h"

inline constexpr wchar_t UserKeyPath[] = L"Software\\LumarelPrinter";
inline constexpr wchar_t MachineKeyPath[] = L"Software\\LumarelPrinter";
inline constexpr wchar_t DefaultsKeyPath[] = L"Software\\LumarelPrinter\\Defaults";
inline constexpr wchar_t UserProfilesPath[] = L"Software\\LumarelPrinter\\PDF Profiles";               // HKCU
inline constexpr wchar_t DefaultProfilesPath[] = L"Software\\LumarelPrinter\\Defaults\\PDF Profiles";  // HKLM

// The view every helper here uses below `root`: HKEY_LOCAL_MACHINE in the 64-bit view,
// where a 64-bit installer keeps the machine values (also for a 32-bit test program).
REGSAM InstallerView(HKEY root);

// Deletes HKCU\Software\LumarelPrinter and HKLM\Software\LumarelPrinter with everything below.
void DeleteProgramKeys();

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value);
void SetText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& text);
// Any type and any bytes, as another program might have left them.
void SetRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size);

// A stored value as a failed expectation prints it: its type and bytes in hex.
void PrintTo(const StoredValue& value, std::ostream* out);

// Deletes one value; an absent one is no failure.
void DeleteStored(HKEY root, const wchar_t* path, const wchar_t* name);

std::optional<StoredValue> ReadStored(HKEY root, const wchar_t* path, const wchar_t* name);
std::optional<DWORD> ReadStoredDword(HKEY root, const wchar_t* path, const wchar_t* name);  // REG_DWORD only
// REG_SZ only, without its terminator.
std::optional<std::wstring> ReadStoredText(HKEY root, const wchar_t* path, const wchar_t* name);

// Every value of root\path, by its name in capitals (as names compare).
std::map<std::wstring, StoredValue> ValuesInCapitals(HKEY root, const wchar_t* path);
// The names whose values differ between two states (added, removed or changed).
std::set<std::wstring> Differing(const std::map<std::wstring, StoredValue>& a,
                                 const std::map<std::wstring, StoredValue>& b);

// Gives a key (created if needed) an empty DACL, so that opening it fails with
// ERROR_ACCESS_DENIED; RestoreAccess puts a DACL back that allows everything.
void DenyAccess(HKEY root, const wchar_t* path);
void RestoreAccess(HKEY root, const wchar_t* path);

// The system's text for an error code, as the error boxes show it.
std::wstring SystemText(DWORD code);

// Clean registry and Settings before each test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A clean registry as a product installation leaves it: the Agent page's machine
// values are there, so showing that page has nothing to report. For tests of the
// sheet and the other pages.
class InstalledRegistryTest : public RegistryTest {
protected:
    void SetUp() override;
};
