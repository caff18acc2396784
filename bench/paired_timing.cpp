#include "bench/paired_timing.h"

#include <time.h>

#include <algorithm>

namespace {

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The calling thread's CPU time: on a shared machine, time spent waiting for
// a core is not the code's, and wall time would count it.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double TimeBatch(const std::function<void()>& body, const std::function<void()>& prepare, int batch) {
    double seconds = 0;
    for (int i = 0; i < batch; ++i) {
        if (prepare) {
            prepare();
        }
        double start = ThreadSeconds();
        body();
        seconds += ThreadSeconds() - start;
    }
    return seconds / batch;
}

}  // namespace

void PairedTiming::Run(const std::function<void()>& baseline, const std::function<void()>& subject,
                       const std::function<void()>& prepare, int batch) {
    for (auto _ : state_) {
        baseline_.push_back(TimeBatch(baseline, prepare, batch));
        subject_.push_back(TimeBatch(subject, prepare, batch));
        state_.SetIterationTime(subject_.back());
    }
}

PairedTiming::~PairedTiming() {
    std::vector<double> ratios;
    for (size_t i = 0; i < subject_.size(); ++i) {
        ratios.push_back(baseline_[i] > 0 ? subject_[i] / baseline_[i] : 0);
    }
    state_.counters["baseline_us"] = Median(baseline_) * 1e6;
    state_.counters["subject_us"] = Median(subject_) * 1e6;
    state_.counters["ratio"] = Median(ratios);
}
