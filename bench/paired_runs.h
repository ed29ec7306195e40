#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace md5z::bench {

// How one figure is derived from the per-iteration times of two paired runs.
enum class RatioOf {
    ReferenceTimeToOurs,  // a throughput ratio: above 1 means ours is faster
    OurTimeToReference,   // a time ratio: below 1 means ours is faster
};

// One summary figure: our code against a reference, run in alternating
// pairs so that drifts of the shared machine (clock, other load) fall on
// both sides alike.
struct Comparison {
    std::string figure;  // the summary line's name
    std::string ours;
    std::string reference;
    void (*oursFunction)(benchmark::State&);
    void (*referenceFunction)(benchmark::State&);
    RatioOf ratio;
    int pairs;
    // Fixed iteration count per run, or 0 to let the library pick it.
    benchmark::IterationCount iterations;
    // Bytes one iteration digests, for the MB/s of a throughput figure.
    std::int64_t bytesPerIteration;
    // The functions time each iteration themselves (the processor time of a
    // program they start) instead of the library timing this process.
    bool manualTime = false;
};

// Registers the runs of every comparison, alternating ours and the reference
// and swapping which goes first from pair to pair.
void RegisterPairs(const std::vector<Comparison>& comparisons);

// The console output of the library, remembering every run's time per
// iteration for the summary: CPU time, or the time the functions gave.
class PairedReporter : public benchmark::ConsoleReporter {
  public:
    // Colored only on a terminal, like the library's own reporter.
    PairedReporter();

    void ReportRuns(const std::vector<Run>& runs) override;

    // After all runs: the medians of each side, then one `NAME VALUE` line
    // per comparison whose runs all took place, each being the median of the
    // per-pair ratios.
    void PrintSummary(const std::vector<Comparison>& comparisons) const;

  private:
    struct Seconds {
        std::string name;
        double cpu;
        double manual;
    };
    std::vector<Seconds> secondsPerIteration_;
    double SecondsOf(const std::string& name, bool manualTime) const;
};

// The name one run is registered under.
std::string RunName(const std::string& side, int pair);

}  // namespace md5z::bench
