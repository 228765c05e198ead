// The print spooler calls of the device pages, one for one with winspool. Only
// device/printer_access.cpp calls them. The tests link an in-memory print server in
// place of device/spooler.cpp where Wine's spooler falls short (its AddFormW and
// DeleteFormW do nothing).
#pragma once

#include <windows.h>
#include <winspool.h>

namespace spooler {

BOOL Open(const wchar_t* printerName, HANDLE* printer, PRINTER_DEFAULTSW* defaults);
BOOL Close(HANDLE printer);
BOOL GetInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
BOOL SetInfo(HANDLE printer, DWORD level, BYTE* info, DWORD command);
LONG DeviceModeProperties(HWND owner, HANDLE printer, const wchar_t* printerName, DEVMODEW* output, DEVMODEW* input,
                          DWORD mode);
int Capabilities(const wchar_t* printerName, const wchar_t* port, WORD capability, wchar_t* output,
                 const DEVMODEW* deviceMode);
BOOL DriverProperties(HWND owner, HANDLE printer);
BOOL EnumerateForms(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
BOOL GetOneForm(HANDLE printer, const wchar_t* formName, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
BOOL AddOneForm(HANDLE printer, DWORD level, BYTE* form);
BOOL DeleteOneForm(HANDLE printer, const wchar_t* formName);

}  // namespace spooler
