// Small timing helpers shared by the benchmarks: a stopwatch, medians, and runs of
// alternating pairs so that drift of the machine falls on both sides alike.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double Seconds() const {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return double(now.QuadPart - start_.QuadPart) / double(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

double Median(std::vector<double> values);

struct PairTimes {
    std::vector<double> subject;    // the program's own code
    std::vector<double> reference;  // what it is measured against
};

// One warm-up run of each, then `pairs` pairs, the order swapped from pair to pair.
PairTimes MeasurePairs(int pairs, const std::function<double()>& subject, const std::function<double()>& reference);

// Prints the two medians, the median of the per-pair ratios and whether it meets `goal`.
void Report(const char* what, const char* against, const PairTimes& times, double goal);

// `arguments` are passed to properties.exe (as /nogeneral).
void RunStartupBenchmark(int pairs, const std::wstring& arguments);
void RunStoreBenchmark(int pairs);
