// The main of the benchmarks that run scenarios: the analyses register
// before the first run.
#include <benchmark/benchmark.h>

#include "analyses/registration.h"

// The analyses register before the first run.
int main(int argc, char** argv) {
    qrv::RegisterAnalyses();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
