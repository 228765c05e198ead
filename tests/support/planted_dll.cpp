// A stand-in for a DLL that a system DLL imports, built to be planted beside a copy of
// properties.exe: loading it leaves a file "planted-dll-loaded" beside it, so a test can
// tell whether the program's folder was searched.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) LONG WINAPI CommonPropertySheetUIW(HWND, void*, LPARAM, DWORD*) { return -1; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    std::wstring marker(path, GetModuleFileNameW(instance, path, MAX_PATH));
    marker = marker.substr(0, marker.find_last_of(L"\\/") + 1) + L"planted-dll-loaded";
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
