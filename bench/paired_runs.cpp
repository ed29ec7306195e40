#include "paired_runs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <unistd.h>

namespace md5z::bench {
namespace {

constexpr double kBytesPerMegabyte = 1e6;
constexpr double kNanosecondsPerSecond = 1e9;
constexpr double kMillisecondsPerSecond = 1e3;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

const char* TimeName(const Comparison& comparison) {
    return comparison.manualTime ? "processor time of the programs" : "CPU time";
}

benchmark::internal::Benchmark* Register(const std::string& name,
                                         void (*function)(benchmark::State&),
                                         const Comparison& comparison) {
    benchmark::internal::Benchmark* run = benchmark::RegisterBenchmark(name.c_str(), function);
    if (comparison.iterations > 0) {
        run->Iterations(comparison.iterations);
    }
    if (comparison.manualTime) {
        run->UseManualTime();
    }
    return run->Unit(benchmark::kNanosecond);
}

}  // namespace

std::string RunName(const std::string& side, int pair) {
    return side + "/pair:" + std::to_string(pair);
}

void RegisterPairs(const std::vector<Comparison>& comparisons) {
    for (const Comparison& comparison : comparisons) {
        for (int pair = 0; pair < comparison.pairs; ++pair) {
            const std::string ours = RunName(comparison.ours, pair);
            const std::string reference = RunName(comparison.reference, pair);
            if (pair % 2 == 0) {
                Register(ours, comparison.oursFunction, comparison);
                Register(reference, comparison.referenceFunction, comparison);
            } else {
                Register(reference, comparison.referenceFunction, comparison);
                Register(ours, comparison.oursFunction, comparison);
            }
        }
    }
}

PairedReporter::PairedReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

void PairedReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
            // The function name is the registered one, without suffixes
            // such as "/iterations:2".
            const auto iterations = static_cast<double>(run.iterations);
            secondsPerIteration_.push_back({run.run_name.function_name,
                                            run.cpu_accumulated_time / iterations,
                                            run.real_accumulated_time / iterations});
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double PairedReporter::SecondsOf(const std::string& name, bool manualTime) const {
    const auto found = std::find_if(secondsPerIteration_.begin(), secondsPerIteration_.end(),
                                    [&name](const Seconds& entry) { return entry.name == name; });
    if (found == secondsPerIteration_.end()) {
        return NAN;
    }
    // Manual times are reported as real time.
    return manualTime ? found->manual : found->cpu;
}

void PairedReporter::PrintSummary(const std::vector<Comparison>& comparisons) const {
    struct Figure {
        std::string name;
        double value;
    };
    std::vector<Figure> figures;
    std::printf("\n");
    for (const Comparison& comparison : comparisons) {
        std::vector<double> ours;
        std::vector<double> reference;
        std::vector<double> ratios;
        for (int pair = 0; pair < comparison.pairs; ++pair) {
            const double oursSeconds =
                SecondsOf(RunName(comparison.ours, pair), comparison.manualTime);
            const double referenceSeconds =
                SecondsOf(RunName(comparison.reference, pair), comparison.manualTime);
            if (std::isnan(oursSeconds) || std::isnan(referenceSeconds)) {
                break;
            }
            ours.push_back(oursSeconds);
            reference.push_back(referenceSeconds);
            ratios.push_back(comparison.ratio == RatioOf::ReferenceTimeToOurs
                                 ? referenceSeconds / oursSeconds
                                 : oursSeconds / referenceSeconds);
        }
        if (ratios.size() != static_cast<std::size_t>(comparison.pairs)) {
            std::printf("# %s: not all %d pairs ran, no figure\n", comparison.figure.c_str(),
                        comparison.pairs);
            continue;
        }
        const double oursMedian = Median(ours);
        const double referenceMedian = Median(reference);
        if (comparison.ratio == RatioOf::ReferenceTimeToOurs && comparison.bytesPerIteration > 0) {
            const double scale =
                static_cast<double>(comparison.bytesPerIteration) / kBytesPerMegabyte;
            std::printf("# %s, medians of %d runs each (%s): %s %.1f MB/s, %s %.1f MB/s\n",
                        comparison.figure.c_str(), comparison.pairs, TimeName(comparison),
                        comparison.ours.c_str(), scale / oursMedian, comparison.reference.c_str(),
                        scale / referenceMedian);
        } else if (comparison.manualTime) {
            std::printf("# %s, medians of %d runs each (%s): %s %.3f ms, %s %.3f ms\n",
                        comparison.figure.c_str(), comparison.pairs, TimeName(comparison),
                        comparison.ours.c_str(), oursMedian * kMillisecondsPerSecond,
                        comparison.reference.c_str(), referenceMedian * kMillisecondsPerSecond);
        } else {
            std::printf("# %s, medians of %d runs each (%s): %s %.1f ns, %s %.1f ns\n",
                        comparison.figure.c_str(), comparison.pairs, TimeName(comparison),
                        comparison.ours.c_str(), oursMedian * kNanosecondsPerSecond,
                        comparison.reference.c_str(), referenceMedian * kNanosecondsPerSecond);
        }
        figures.push_back({comparison.figure, Median(ratios)});
    }
    for (const Figure& figure : figures) {
        std::printf("%s %.2f\n", figure.name.c_str(), figure.value);
    }
    std::fflush(stdout);
}

}  // namespace md5z::bench
