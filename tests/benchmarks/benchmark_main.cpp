// Reports how the program's start-up and profile store compare with their plainest
// equivalents. A report, not a test: the goals are printed, never enforced.
//   benchmarks [startup|store] [--pairs N] [--args "switches for properties.exe"]
#include "tests/benchmarks/benchmark.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cstdlib>

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

PairTimes MeasurePairs(int pairs, const std::function<double()>& subject, const std::function<double()>& reference) {
    subject();
    reference();
    PairTimes times;
    for (int pair = 0; pair < pairs; ++pair) {
        if (pair % 2 == 0) {
            times.subject.push_back(subject());
            times.reference.push_back(reference());
        } else {
            times.reference.push_back(reference());
            times.subject.push_back(subject());
        }
    }
    return times;
}

void Report(const char* what, const char* against, const PairTimes& times, double goal) {
    std::vector<double> ratios;
    for (size_t pair = 0; pair < times.subject.size(); ++pair)
        ratios.push_back(times.subject[pair] / times.reference[pair]);
    double ratio = Median(ratios);
    std::printf("%-34s %9.1f ms vs %9.1f ms %s   ratio %5.2f  (goal <= %.2f)  %s\n", what,
                Median(times.subject) * 1000, Median(times.reference) * 1000, against, ratio, goal,
                ratio <= goal ? "met" : "MISSED");
    std::fflush(stdout);
}

int wmain(int argc, wchar_t** argv) {
    bool startup = true, store = true;
    int pairs = 15;
    std::wstring arguments;
    for (int index = 1; index < argc; ++index) {
        if (!wcscmp(argv[index], L"startup")) store = false;
        else if (!wcscmp(argv[index], L"store")) startup = false;
        else if (!wcscmp(argv[index], L"--args") && index + 1 < argc) arguments = argv[++index];
        else if (!wcscmp(argv[index], L"--pairs") && index + 1 < argc) pairs = std::max(15, _wtoi(argv[++index]));
    }
    std::printf("median of %d alternating pairs after a warm-up\n", pairs);
    if (startup) RunStartupBenchmark(pairs, arguments);
    if (store) RunStoreBenchmark(pairs);
    return 0;
}
