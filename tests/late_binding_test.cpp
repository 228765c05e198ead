// Binding system DLLs at first use: the system directory only, null for whatever is missing.
#include "base/late_binding.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/dialog_input.h"

namespace {

TEST(LateBinding, BindsTheSameEntryPointTheLoaderWould) {
    auto bound = BindEntryPoint<decltype(&GetTickCount)>(L"kernel32.dll", "GetTickCount");
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(bound),
              reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount")));
    EXPECT_EQ(LoadSystemLibrary(L"kernel32.dll"), GetModuleHandleW(L"kernel32.dll"));
}

TEST(LateBinding, AMissingLibraryOrEntryPointGivesNull) {
    EXPECT_EQ(LoadSystemLibrary(L"lumarel-no-such-library.dll"), nullptr);
    EXPECT_EQ((BindEntryPoint<void (*)()>(L"lumarel-no-such-library.dll", "Anything")), nullptr);
    EXPECT_EQ((BindEntryPoint<void (*)()>(L"kernel32.dll", "LumarelNoSuchEntryPoint")), nullptr);
    EXPECT_EQ((EntryPoint<void (*)()>(nullptr, "GetTickCount")), nullptr);
}

// A DLL of the same name beside the program is never taken for the system's.
TEST(LateBinding, ADllBesideTheProgramIsNotTaken) {
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring name = L"lumarel-beside-the-program-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
    const std::wstring beside = TestProgramDirectory() + name;
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\msimg32.dll").c_str(), beside.c_str(), FALSE));
    HMODULE byName = LoadLibraryW(name.c_str());
    EXPECT_NE(byName, nullptr) << "the copy beside the program can be loaded by its bare name";
    EXPECT_EQ(LoadSystemLibrary(name.c_str()), nullptr);
    if (byName) FreeLibrary(byName);
    DeleteFileW(beside.c_str());
}

TEST(ComApartment, SetsUpComForItsLifetimeAndUndoesIt) {
    {
        ComApartment com;
        ASSERT_TRUE(com.initialized());
        // Set up already: a second initialisation of the same kind only counts.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        CoUninitialize();
    }
    // Undone: the thread starts afresh.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        ComApartment nested;
        EXPECT_TRUE(nested.initialized());
    }
    // The thread's own initialisation outlives the nested one.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST(ComApartment, AThreadInAnotherModelIsLeftAsItIs) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
        ComApartment com;
        EXPECT_FALSE(com.initialized());
    }
    // Still the multithreaded apartment: not uninitialised by the page.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

}  // namespace
