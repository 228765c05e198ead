// Entry points of system DLLs that only some actions need (the spooler, the file and
// folder choosers, opening the web site), bound at their first use: the program then
// starts without loading and initialising those DLLs. A DLL stays loaded once bound.
#pragma once

#include <windows.h>

// The entry point `name` of `library` as a `Function`, null when either is missing.
template <typename Function>
Function BindEntryPoint(const wchar_t* library, const char* name) {
    HMODULE module = LoadLibraryW(library);
    if (!module) return nullptr;
    // Through the generic function type: FARPROC itself matches no entry point's type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
