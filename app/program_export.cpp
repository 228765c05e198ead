// ShowProperties as properties.exe exports it, for code running inside the program's
// own process. A process that loads the .exe as a library gets neither its imports
// resolved nor its runtime started, so the export first makes sure that this module is
// the process's main image, reading the process environment block directly: calling any
// imported function to find out would already crash there. Hosts use properties.dll.
#include <windows.h>
#ifdef _MSC_VER
#include <intrin.h>
#endif

#include "app/sheet.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The image base of the process's main module, from its environment block (the PEB's
// ImageBaseAddress, found through the thread environment block's segment register).
const void* MainImageBase() {
    const unsigned char* peb;
#if defined(_MSC_VER) && defined(_M_X64)
    peb = reinterpret_cast<const unsigned char*>(__readgsqword(0x60));
#elif defined(_MSC_VER) && defined(_M_IX86)
    peb = reinterpret_cast<const unsigned char*>(__readfsdword(0x30));
#elif defined(__x86_64__)
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
#elif defined(__i386__)
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
#else
#error "unsupported architecture"
#endif
    // ImageBaseAddress: the third pointer of the block.
    return *reinterpret_cast<const void* const*>(peb + 2 * sizeof(void*));
}

// Where this module really is. &__ImageBase is not enough: a loader that maps the .exe
// as a library need not apply its relocations (Wine does not), and the unrelocated
// address is the main image's own. So the address is found relative to the code.
const void* ThisModuleBase() {
#if defined(_MSC_VER)
    return &__ImageBase;  // RIP-relative on x64; the x86 build is not checked here
#elif defined(__x86_64__)
    const void* base;
    __asm__("leaq __ImageBase(%%rip), %0" : "=r"(base));
    return base;
#elif defined(__i386__)
    // The address of a label, less the label's offset in the image (stored by the
    // linker as a relative address, which needs no relocation).
    const void* base;
    __asm__(
        "call 1f\n"
        "1: popl %0\n"
        "subl 2f-1b(%0), %0\n"
        "jmp 3f\n"
        "2: .rva 1b\n"
        "3:\n"
        : "=r"(base));
    return base;
#endif
}

}  // namespace

extern "C" int WINAPI ShowProperties(int noGeneral, int noPaper) {
    if (MainImageBase() != ThisModuleBase()) return NotInProgramProcess;
    return RunPropertySheet(noGeneral, noPaper);
}
