#include <benchmark/benchmark.h>

#include "bench/cases.h"

int main(int argc, char** argv) {
    RegisterWholeFileBenchmarks();
    RegisterSmallFileBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
