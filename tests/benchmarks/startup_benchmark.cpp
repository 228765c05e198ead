// Start-up of properties.exe against a minimal sheet of six empty pages with the same
// flags and manifest: from process creation until the sheet is shown and waiting for
// input, then Cancel and the end of the process.
#include "tests/benchmarks/benchmark.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "base/handles.h"

namespace {

std::wstring ProgramBeside(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1) + fileName;
}

struct SheetSearch {
    DWORD processId;
    HWND sheet;
};

BOOL CALLBACK FindSheetOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<SheetSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[32] = L"";
    GetClassNameW(window, className, 32);
    if (owner == search->processId && IsWindowVisible(window) && !wcscmp(className, L"#32770") &&
        FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) {
        search->sheet = window;
        return FALSE;
    }
    return TRUE;
}

// Seconds from CreateProcess to a visible, idle sheet; a negative value when the
// program did not get there.
double TimedStart(const std::wstring& program, const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    Stopwatch watch;
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    SheetSearch search{info.dwProcessId, nullptr};
    while (!search.sheet && watch.Seconds() < 30) {
        EnumWindows(FindSheetOfProcess, reinterpret_cast<LPARAM>(&search));
        if (!search.sheet) Sleep(1);
    }
    if (!search.sheet) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    WaitForInputIdle(process.get(), 10000);
    double seconds = watch.Seconds();
    // A modal sheet ends on a posted press; a sent one would not return across processes.
    PostMessageW(search.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    return seconds;
}

}  // namespace

void RunStartupBenchmark(int pairs, const std::wstring& arguments) {
    std::wstring properties = ProgramBeside(L"properties.exe");
    std::wstring minimal = ProgramBeside(L"minimal_sheet.exe");
    // Besides the empty sheet the goal is measured against, two references show where
    // the difference goes: the spooler's DLL (under Wine its start-up loads the host's
    // printing library) and the program's own page templates with no code behind them.
    struct Reference {
        const wchar_t* arguments;
        const char* name;
    };
    for (Reference reference : {Reference{L"", "minimal sheet"}, Reference{L"/spooler", "minimal sheet + spooler DLL"},
                                Reference{L"/spooler /templates", "+ the program's page templates"}}) {
        PairTimes times = MeasurePairs(
            pairs, [&] { return TimedStart(properties, arguments); },
            [&] { return TimedStart(minimal, reference.arguments); });
        for (size_t run = 0; run < times.subject.size(); ++run) {
            if (times.subject[run] < 0 || times.reference[run] < 0) {
                std::printf("start-up: a sheet did not appear (is the printer installed?)\n");
                return;
            }
        }
        Report("start-up to an idle sheet", reference.name, times, 1.15);
    }
}
