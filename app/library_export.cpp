// ShowProperties as properties.dll exports it for host programs. The sheet needs
// version 6 of the common controls whatever the host's manifest asks for, so the
// library's own manifest (resource 2) is made the active context around the sheet.
// Nothing here changes the host's process-wide state (DLL search order, DPI mode). Like
// the program, the library holds the single-instance guard while its sheet is open, and
// sets up what the program's entry point would.
#include <windows.h>

#include "app/sheet.h"
#include "base/globals.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr WORD LibraryManifestId = 2;  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID

// The library's activation context, active on the calling thread while the object lives.
class LibraryActivationContext {
public:
    LibraryActivationContext() {
        wchar_t path[MAX_PATH];
        DWORD length = GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return;
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = path;
        request.hModule = reinterpret_cast<HMODULE>(&__ImageBase);
        request.lpResourceName = MAKEINTRESOURCEW(LibraryManifestId);
        context_ = CreateActCtxW(&request);
        if (context_ == INVALID_HANDLE_VALUE) return;
        if (!ActivateActCtx(context_, &cookie_)) cookie_ = 0;
    }
    ~LibraryActivationContext() {
        if (cookie_) DeactivateActCtx(0, cookie_);
        if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
    }
    LibraryActivationContext(const LibraryActivationContext&) = delete;
    LibraryActivationContext& operator=(const LibraryActivationContext&) = delete;

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie_ = 0;
};

}  // namespace

extern "C" int WINAPI ShowProperties(int noGeneral, int noPaper) {
    // The program's guard, held while this sheet is open: a running properties.exe or
    // another host's sheet keeps this one from opening, and this one keeps them.
    SheetGuard guard;
    if (!guard.taken()) return SheetAlreadyOpen;
    // Resources always come from this module, never from the host.
    InitProcessGlobals(reinterpret_cast<HINSTANCE>(&__ImageBase));
    LibraryActivationContext commonControls6;
    return RunPropertySheet(noGeneral, noPaper);
}
