#include "ratio_report.hpp"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <optional>
#include <ostream>

namespace tavix::bench {

namespace {

// The console report, remembering the figures of every run for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter(const std::vector<Ratio>& ratios, OutputOptions options)
        : ConsoleReporter(options), ratios_(ratios) {}

    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) {
                continue;
            }
            const std::string name = run.benchmark_name();
            const auto iterations = static_cast<double>(run.iterations);
            Add({name, kRealTime}, run.real_accumulated_time / iterations);
            Add({name, kCpuTime}, run.cpu_accumulated_time / iterations);
            for (const auto& [counter, value] : run.counters) {
                Add({name, counter}, value.value);
            }
        }
    }

    void Finalize() override {
        std::ostream& out = GetOutputStream();
        out << "\nRatios\n";
        for (const Ratio& ratio : ratios_) {
            const std::optional<double> numerator = Value(ratio.numerator);
            const std::optional<double> denominator = Value(ratio.denominator);
            char line[256];
            if (!numerator || !denominator || *denominator == 0) {
                std::snprintf(line, sizeof line, "  %-58s %8s\n", ratio.title.c_str(), "not run");
            } else {
                const double value = *numerator / *denominator;
                if (ratio.target > 0) {
                    std::snprintf(line, sizeof line, "  %-58s %8.3f  target <= %.2f  %s\n",
                                  ratio.title.c_str(), value, ratio.target,
                                  value <= ratio.target ? "met" : "MISSED");
                } else {
                    std::snprintf(line, sizeof line, "  %-58s %8.3f\n", ratio.title.c_str(), value);
                }
            }
            out << line;
        }
        ConsoleReporter::Finalize();
    }

  private:
    using Key = std::pair<std::string, std::string>;
    struct Sum {
        double total = 0;
        int count = 0;
    };

    // Repetitions of a benchmark are averaged.
    void Add(const Key& key, double value) {
        Sum& sum = sums_[key];
        sum.total += value;
        ++sum.count;
    }

    std::optional<double> Value(const Figure& figure) const {
        const auto found = sums_.find({figure.benchmark, figure.quantity});
        if (found == sums_.end()) {
            return std::nullopt;
        }
        return found->second.total / found->second.count;
    }

    const std::vector<Ratio>& ratios_;
    std::map<Key, Sum> sums_;
};

}  // namespace

int RunBenchmarksWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Colours only for a person at a terminal, as the library's own report does.
    RatioReporter reporter(ratios, ::isatty(STDOUT_FILENO) != 0
                                       ? benchmark::ConsoleReporter::OO_ColorTabular
                                       : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace tavix::bench
