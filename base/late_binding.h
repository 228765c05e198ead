// Entry points of system DLLs that only some actions need (the spooler, the file and
// folder choosers, opening the web site, COM for the last two), bound at their first use: the program then
// starts without loading and initialising those DLLs. A DLL stays loaded once bound.
#pragma once

#include <windows.h>
#include <objbase.h>

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

// For the program's own start only, never inside ShowProperties (a library must not
// change its host's search order): from here on, the DLLs that system DLLs load in turn
// are searched in the system directory alone, not first in the program's folder. Bound
// at run time, as older systems lack the call; there the search stays as it was. True
// when the search was restricted.
inline bool RestrictDllSearchToSystemDirectory() {
    constexpr DWORD SearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = EntryPoint<SetDefaultDllDirectoriesFunction>(GetModuleHandleW(L"kernel32.dll"),
                                                                         "SetDefaultDllDirectories");
    return setDefault && setDefault(SearchSystem32);
}

// COM on the calling thread for as long as it lives, as the shell's folder browser and
// ShellExecuteW require (their extensions are COM objects); ole32 is bound at first use
// too. A thread whose COM is already set up keeps it as it is.
class ComApartment {
public:
    ComApartment() {
        static const auto initialize = BindEntryPoint<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
        // S_FALSE (already initialised the same way) is undone by its own uninitialise too.
        initialized_ = initialize && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
    ~ComApartment() {
        static const auto uninitialize = BindEntryPoint<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize");
        if (initialized_ && uninitialize) uninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool initialized() const { return initialized_; }

private:
    bool initialized_ = false;
};
