// What the benchmark programs share: the sample files, saved games cut to a
// number of replay samples, child processes measured from outside, and the
// table that prints every figure beside its baseline and its target.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vx::bench {

// --- Files --------------------------------------------------------------------

std::string SourcePath(const std::string& relative);  // under the source tree
std::string DemoGame();                                // samples/Saves/demo.gam
std::string LongGame();                                // samples/Saves/long.gam
std::string DemoTrack();                               // samples/Tracks/Kestrelvale.trk

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A folder of its own under the temporary folder, removed at exit.
const std::string& ScratchFolder();

// The replay block of a saved game: offset of its signature and its samples.
struct ReplayLayout {
    std::int64_t Offset = -1;
    std::int64_t Samples = 0;
};
ReplayLayout LocateReplay(const std::vector<std::uint8_t>& game);

// The saved game with its replay cut to its first `samples` samples (the
// stored count changed to match and the file ending after the last one),
// written into the scratch folder; returns its path.
std::string CutReplay(const std::string& gamePath, std::int64_t samples);

// --- Child processes --------------------------------------------------------

struct ChildRun {
    double Seconds = 0.0;      // from the spawn to the end of the wait
    std::int64_t PeakKiB = 0;  // the child's peak resident set (ru_maxrss)
    int ExitStatus = -1;
    std::string Output;        // what it wrote on its standard output
};

// Runs the program with its arguments under QT_QPA_PLATFORM=offscreen, keeps
// its standard output, throws its error output away, and waits for it.
ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments);

// --- The table of figures ---------------------------------------------------

enum class Unit { Milliseconds, Megabytes, Kilobytes };

// A figure of the table: the median of a benchmark beside the median of its
// baseline, both from the same run. Names are a benchmark's function name
// with its arguments ("BM_LapSwitchGrowth/1000"), without the "/real_time"
// or "/manual_time" parts. A counter name reads that counter of the
// benchmark instead of its time.
struct Figure {
    std::string Workload;
    std::string Benchmark;
    std::string Counter;  // empty: the time per iteration
    std::string Baseline;  // empty: none
    std::string BaselineCounter;
    double Target = 0.0;  // 0: none
    Unit Units = Unit::Milliseconds;
};

// A growth series: one benchmark over several replay sizes (its argument is
// the number of samples), printed with the time per thousand samples.
struct Series {
    std::string Title;
    std::string Benchmark;  // function name
    std::string Baseline;   // function name with the same arguments, or empty
};

// Prints the usual console output, then the table of figures and the series.
class FigureReporter : public benchmark::ConsoleReporter {
public:
    FigureReporter(std::vector<Figure> figures, std::vector<Series> series);
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Measured {
        std::vector<double> Milliseconds;     // real time, one per repetition
        std::vector<double> CpuMilliseconds;  // none for a manually timed benchmark
        std::map<std::string, std::vector<double>> Counters;
    };
    // The median of a benchmark's real time, CPU time ("#cpu") or counter;
    // -1 when it did not run.
    double Median(const std::string& name, const std::string& counter) const;
    std::vector<Figure> figures_;
    std::vector<Series> series_;
    std::map<std::string, Measured> measured_;
};

// The main of every benchmark program: initialises the library, runs the
// benchmarks with the figure table and returns the exit status.
int RunBenchmarks(int argc, char** argv, std::vector<Figure> figures,
                  std::vector<Series> series = {});

}  // namespace vx::bench
