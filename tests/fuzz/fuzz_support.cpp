#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <utility>

#include "tests/support/registry_fixture.h"
#include "tests/support/test_steps.h"

namespace {

// The state running now, for a crash or a hang, which end the run before the state's
// own report. (32-bit values: read whole on every platform.)
const char* CurrentFuzzer = "";
volatile LONG CurrentSeed = 0;
volatile LONG StateRunning = 0;
volatile DWORD CurrentStateStart = 0;
DWORD StateLimitMs = 0;

void PrintReplay(uint32_t seed, const std::string& what) {
    std::printf("state %u: %s\n  replay: tools/fuzz.sh %s --seed %u --states 1\n", seed, what.c_str(), CurrentFuzzer, seed);
    std::fflush(stdout);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS*) {
    if (StateRunning) PrintReplay(static_cast<uint32_t>(CurrentSeed), "the program crashed");
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(500);
        if (StateRunning && GetTickCount() - CurrentStateStart > StateLimitMs) {
            PrintReplay(static_cast<uint32_t>(CurrentSeed), "the state did not end in bounded time");
            ExitProcess(1);
        }
    }
}

}  // namespace

FuzzOptions FuzzOptionsFromCommandLine(FuzzOptions options) {
    for (int index = 1; index + 1 < __argc; ++index) {
        if (!wcscmp(__wargv[index], L"--seed"))
            options.seed = static_cast<uint32_t>(wcstoul(__wargv[index + 1], nullptr, 10));
        else if (!wcscmp(__wargv[index], L"--states"))
            options.states = static_cast<uint32_t>(wcstoul(__wargv[index + 1], nullptr, 10));
    }
    return options;
}

int RunFuzzStates(const char* fuzzer, const FuzzOptions& options, double stateLimitSeconds,
                  const std::function<std::string(uint32_t seed)>& runState,
                  const std::function<std::string()>& coverage) {
    CurrentFuzzer = fuzzer;
    StateLimitMs = static_cast<DWORD>(stateLimitSeconds * 1000);
    SetUnhandledExceptionFilter(ReportCrash);
    // 32-bit Wine run through qemu breaks in a process with a second thread (see
    // tests/support/test_main.cpp): there the test bed's watchdog, which names the last
    // state noted below, ends a state that hangs.
    if (GetEnvironmentVariableW(L"LUMAREL_X86_THROUGH_QEMU", nullptr, 0) == 0) {
        static const HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);  // runs until the end
        (void)watchdog;
    }
    int failures = 0;
    for (uint32_t state = 0; state < options.states; ++state) {
        const uint32_t seed = options.seed + state;
        CurrentSeed = static_cast<LONG>(seed);
        CurrentStateStart = GetTickCount();
        NoteTestStep(L"state %u", seed);
        StateRunning = 1;
        std::string broken = runState(seed);
        StateRunning = 0;
        if (!broken.empty()) {
            PrintReplay(seed, broken);
            ++failures;
        }
    }
    std::printf("%s: %u states from seed %u, %d failed%s%s\n", fuzzer, options.states, options.seed, failures,
                coverage ? "; " : "", coverage ? coverage().c_str() : "");
    return failures;
}

bool FuzzRandom::Chance(double probability) {
    return std::uniform_real_distribution<double>(0, 1)(random_) < probability;
}

uint32_t FuzzRandom::Below(uint32_t bound) { return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random_); }

DWORD FuzzRandom::RandomType() {
    static const DWORD types[] = {REG_DWORD, REG_SZ,   REG_BINARY, REG_EXPAND_SZ,
                                  REG_MULTI_SZ, REG_QWORD, REG_NONE, REG_DWORD_BIG_ENDIAN};
    if (Chance(0.6)) return Chance(0.5) ? REG_DWORD : REG_SZ;
    return OneOf(types);
}

DWORD FuzzRandom::RandomSize() {
    static const DWORD sizes[] = {0,   1,   2,   3,    4,    5,    8,    63,   64,   65,  255,
                                  256, 257, 512, 513, 1024, 2047, 2048, 2049, 4095, 4096};
    if (Chance(0.5)) return OneOf(sizes);
    return Below(4097);
}

uint32_t FuzzRandom::InterestingNumber() {
    static const uint32_t numbers[] = {0, 1, 2, 3, 4, 5, 6, 80, 85, 100, 101, 0x7fffffff, 0x80000000, 0xffffffff};
    const uint32_t number = Chance(0.8) ? OneOf(numbers) : Any32();
    return unitsBelow256_ ? number & 0x00ff00ffu : number;
}

std::vector<BYTE> FuzzRandom::RandomBytes(DWORD size) {
    std::vector<BYTE> bytes(size);
    switch (Below(3)) {
        case 0:  // printable text, terminated only by chance of the size
            for (DWORD at = 0; at + 1 < size; at += 2) {
                bytes[at] = static_cast<BYTE>(L'a' + Below(26));
                bytes[at + 1] = 0;
            }
            if (size % 2) bytes[size - 1] = static_cast<BYTE>('x');
            break;
        case 1:  // text with a terminator somewhere
            for (DWORD at = 0; at < size; ++at) bytes[at] = static_cast<BYTE>(at % 2 ? 0 : 'A' + Below(26));
            if (size >= 2) bytes[Below(size / 2) * 2] = 0;
            break;
        default:
            for (BYTE& byte : bytes) byte = static_cast<BYTE>(Below(256));
            break;
    }
    if (unitsBelow256_)
        for (size_t at = 1; at < bytes.size(); at += 2) bytes[at] = 0;
    return bytes;
}

void FuzzRandom::SetRandomValue(HKEY root, const wchar_t* path, const wchar_t* name) {
    DWORD type = RandomType();
    if (type == REG_DWORD && Chance(0.7)) {
        uint32_t number = InterestingNumber();
        SetRaw(root, path, name, REG_DWORD, &number, sizeof number);
        return;
    }
    std::vector<BYTE> bytes = RandomBytes(RandomSize());
    SetRaw(root, path, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

PdfProfile Normalised(PdfProfile profile) {
    for (auto [text, units] : {std::pair<wchar_t*, size_t>{profile.name, 128}, {profile.title, 256},
                               {profile.author, 256}, {profile.subject, 256}, {profile.keywords, 512},
                               {profile.userPassword, 32}, {profile.ownerPassword, 32}}) {
        size_t length = wcsnlen(text, units);
        wmemset(text + length, L'\0', units - length);
    }
    return profile;
}
