// The timing runs of `make bench`: the library's usual output, then one
// `NAME VALUE` line per figure.

#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "comparisons.h"
#include "paired_runs.h"

int main(int argc, char** argv) {
    using namespace md5z::bench;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CheckEngineAgreesWithOpenSsl();
    CheckClickPathAgreesWithOpenSsl();
    CheckCliAgreesWithLineLoop();

    std::vector<Comparison> comparisons = {EngineThroughput(), ClickPath()};
    for (Comparison& comparison : CliRuns()) {
        comparisons.push_back(std::move(comparison));
    }
    RegisterPairs(comparisons);
    PairedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary(comparisons);
    benchmark::Shutdown();
    return 0;
}
