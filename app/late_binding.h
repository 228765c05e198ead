// Entry points of system DLLs that only some actions need (the spooler, the file and
// folder choosers, opening the web site), bound at their first use: the program then
// starts without loading and initialising those DLLs. A DLL stays loaded once bound.
#pragma once

#include <windows.h>

#include <string>

// A DLL of the system directory, by its full path so that no file of the same name in
// the program's or the current directory is taken instead. Null when it cannot be loaded.
inline HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t directory[MAX_PATH];
    UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(directory, length);
    path += L'\\';
    path += fileName;
    return LoadLibraryW(path.c_str());
}

// The entry point `name` of `module` as a `Function`, null when either is missing.
template <typename Function>
Function EntryPoint(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // Through the generic function type: FARPROC itself matches no entry point's type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

template <typename Function>
Function BindEntryPoint(const wchar_t* library, const char* name) {
    return EntryPoint<Function>(LoadSystemLibrary(library), name);
}
