#include "tests/support/resource_counters.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

namespace {

// SystemHandleInformation (16) and its entries.
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handleValue;
    PVOID object;
    ULONG access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};
constexpr ULONG SystemHandleInformationClass = 16;
constexpr NTSTATUS StatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

int CountKernelHandles() {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<BYTE> buffer(1 << 16);
    NTSTATUS status;
    ULONG needed = 0;
    while ((status = query(SystemHandleInformationClass, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == StatusInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    int count = 0;
    DWORD self = GetCurrentProcessId();
    for (ULONG index = 0; index < list->count; ++index)
        if (list->entries[index].ownerProcessId == self) ++count;
    return count;
}

// An entry of the GDI handle table that the PEB points to: 24 bytes, the object's
// type in byte 14, zero for a free slot.
struct GdiTableEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
};
static_assert(sizeof(GdiTableEntry) == 24, "GDI table entries are 24 bytes");
constexpr int GdiTableEntries = 0x10000;

int CountGdiObjects() {
#ifdef _WIN64
    using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    const BYTE* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const GdiTableEntry* const*>(peb + 0xF8);  // GdiSharedHandleTable
    if (!table) return -1;
    int count = 0;
    for (int index = 0; index < GdiTableEntries; ++index)
        if (table[index].type) ++count;
    return count;
#else
    return -1;
#endif
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    EnumChildWindows(window, CountChild, counter);  // every level below it
    return TRUE;
}

int CountWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

ResourceCounts CountResources() {
    ResourceCounts counts;
    counts.kernelHandles = CountKernelHandles();
    counts.gdiObjects = CountGdiObjects();
    counts.windows = CountWindows();
    return counts;
}
