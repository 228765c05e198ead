// Registry state for tests: each test starts without any of the program's keys.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

inline constexpr wchar_t UserKeyPath[] = L"Software\\LumarelPrinter";
inline constexpr wchar_t MachineKeyPath[] = L"Software\\LumarelPrinter";
inline constexpr wchar_t DefaultsKeyPath[] = L"Software\\LumarelPrinter\\Defaults";

// Deletes HKCU\Software\LumarelPrinter and HKLM\Software\LumarelPrinter with everything below.
void DeleteProgramKeys();

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value);
void SetText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& text);
// Any type and any bytes, as another program might have left them.
void SetRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size);

struct StoredValue {
    DWORD type;
    std::vector<BYTE> bytes;
};
std::optional<StoredValue> ReadStored(HKEY root, const wchar_t* path, const wchar_t* name);
std::optional<DWORD> ReadStoredDword(HKEY root, const wchar_t* path, const wchar_t* name);  // REG_DWORD only

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
