// Times a case and its baseline alternately within one benchmark, so that
// both see the same load on a shared machine. Each iteration runs the
// baseline once and the subject once, each timed in the thread's CPU time;
// the benchmark's own time is the subject's (manual time), and the counters
// hold the medians of both and the median of the per-iteration ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

class PairedTiming {
public:
    explicit PairedTiming(benchmark::State& state) : state_(state) {}
    ~PairedTiming();
    PairedTiming(const PairedTiming&) = delete;
    PairedTiming& operator=(const PairedTiming&) = delete;

    // `prepare` runs untimed before each side (a file to delete, say);
    // `batch` repeats each side that many times per sample, for calls too
    // short for the clock.
    void Run(const std::function<void()>& baseline, const std::function<void()>& subject,
             const std::function<void()>& prepare = nullptr, int batch = 1);

private:
    benchmark::State& state_;
    std::vector<double> baseline_;
    std::vector<double> subject_;
};
