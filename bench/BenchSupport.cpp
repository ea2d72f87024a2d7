#include "BenchSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace vx::bench {

// --- Files --------------------------------------------------------------------

std::string SourcePath(const std::string& relative)
{
    return std::string(VX_SOURCE_DIR) + "/" + relative;
}

std::string DemoGame()
{
    return SourcePath("samples/Saves/demo.gam");
}

std::string LongGame()
{
    return SourcePath("samples/Saves/long.gam");
}

std::string DemoTrack()
{
    return SourcePath("samples/Tracks/Kestrelvale.trk");
}

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

namespace {

struct Scratch {
    std::string path;
    Scratch()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vxbench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a scratch folder");
        path = pattern;
    }
    ~Scratch()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

}  // namespace

const std::string& ScratchFolder()
{
    static const Scratch scratch;
    return scratch.path;
}

ReplayLayout LocateReplay(const std::vector<std::uint8_t>& game)
{
    ReplayLayout layout;
    const auto size = static_cast<std::int64_t>(game.size());
    for (std::int64_t p = 0; p + 16 <= size; ++p) {
        if ((game[p] == 5 || game[p] == 16) && game[p + 1] == 1 && game[p + 2] == 'R' &&
            game[p + 3] == 'P') {
            std::int32_t count = 0;
            std::memcpy(&count, game.data() + p + 8, 4);
            layout.Offset = p;
            layout.Samples = std::min<std::int64_t>(count, (size - p - 16) / 18);
            return layout;
        }
    }
    return layout;
}

std::string CutReplay(const std::string& gamePath, std::int64_t samples)
{
    std::vector<std::uint8_t> game = ReadBytes(gamePath);
    const ReplayLayout layout = LocateReplay(game);
    if (layout.Offset < 0 || samples > layout.Samples || samples < 0)
        throw std::runtime_error("the replay of " + gamePath + " is too short to cut");
    const auto count = static_cast<std::int32_t>(samples);
    std::memcpy(game.data() + layout.Offset + 8, &count, 4);
    game.resize(static_cast<std::size_t>(layout.Offset + 16 + 18 * samples));
    const std::string path =
        ScratchFolder() + "/cut_" + std::to_string(samples) + ".gam";
    WriteBytes(path, game);
    return path;
}

// --- Child processes --------------------------------------------------------

ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            environment.emplace_back(*e);
    environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr)
        environment.emplace_back("XDG_RUNTIME_DIR=" + ScratchFolder());
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(),
                                    envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        run.Output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("cannot wait for " + program);
    }
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.PeakKiB = usage.ru_maxrss;
    run.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// --- The table of figures ---------------------------------------------------

namespace {

std::string KeyOf(const benchmark::BenchmarkReporter::Run& run)
{
    return run.run_name.args.empty() ? run.run_name.function_name
                                     : run.run_name.function_name + "/" + run.run_name.args;
}

double MedianOf(std::vector<double> values)
{
    if (values.empty())
        return -1.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

std::string Format(double value, Unit unit)
{
    if (value < 0)
        return "-";
    char text[64];
    if (unit == Unit::Megabytes)
        std::snprintf(text, sizeof text, "%.1f MB", value);
    else if (unit == Unit::Kilobytes)
        std::snprintf(text, sizeof text, "%.1f KB", value);
    else if (value < 0.1)
        std::snprintf(text, sizeof text, "%.1f us", value * 1000.0);
    else
        std::snprintf(text, sizeof text, "%.2f ms", value);
    return text;
}

}  // namespace

FigureReporter::FigureReporter(std::vector<Figure> figures, std::vector<Series> series)
    : ConsoleReporter(OO_Tabular), figures_(std::move(figures)), series_(std::move(series))
{
}

void FigureReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred)
            continue;
        // Single runs are kept one per repetition; when only aggregates are
        // shown, their median stands for the runs.
        const bool single = run.run_type == Run::RT_Iteration;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (!single && !median)
            continue;
        Measured& m = measured_[median ? KeyOf(run) + "#median" : KeyOf(run)];
        const double toMilliseconds = 1000.0 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        m.Milliseconds.push_back(run.GetAdjustedRealTime() * toMilliseconds);
        // A manually timed benchmark measures a child process: its own CPU
        // time says nothing.
        if (run.run_name.time_type != "manual_time")
            m.CpuMilliseconds.push_back(run.GetAdjustedCPUTime() * toMilliseconds);
        for (const auto& [name, counter] : run.counters)
            m.Counters[name].push_back(counter.value);
    }
}

double FigureReporter::Median(const std::string& name, const std::string& counter) const
{
    auto it = measured_.find(name);
    if (it == measured_.end())
        it = measured_.find(name + "#median");
    if (it == measured_.end())
        return -1.0;
    if (counter.empty())
        return MedianOf(it->second.Milliseconds);
    if (counter == "#cpu")
        return MedianOf(it->second.CpuMilliseconds);
    const auto c = it->second.Counters.find(counter);
    return c == it->second.Counters.end() ? -1.0 : MedianOf(c->second);
}

void FigureReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::FILE* out = stdout;
    std::fflush(out);
    bool any = false;
    const char* const row = "%-50s %10s %10s %10s %10s %7s %10s  %s\n";
    for (const Figure& f : figures_) {
        const double value = Median(f.Benchmark, f.Counter);
        if (value < 0)
            continue;
        if (!any) {
            std::fprintf(out, "\nMedians; times are real (wall-clock) time, cpu the CPU time of the same runs\n");
            std::fprintf(out, row, "Workload", "figure", "(cpu)", "baseline", "(cpu)", "ratio",
                         "target", "");
            any = true;
        }
        const bool time = f.Counter.empty();
        const double cpu = time ? Median(f.Benchmark, "#cpu") : -1.0;
        const double baseline = f.Baseline.empty() ? -1.0 : Median(f.Baseline, f.BaselineCounter);
        const double baselineCpu =
            f.Baseline.empty() || !f.BaselineCounter.empty() ? -1.0 : Median(f.Baseline, "#cpu");
        char ratio[32] = "-";
        if (baseline > 0)
            std::snprintf(ratio, sizeof ratio, "%.1fx", value / baseline);
        const std::string target = f.Target > 0 ? "< " + Format(f.Target, f.Units) : "-";
        const char* verdict = f.Target <= 0 ? "" : value < f.Target ? "met" : "MISSED";
        std::fprintf(out, row, f.Workload.c_str(), Format(value, f.Units).c_str(),
                     Format(cpu, f.Units).c_str(), Format(baseline, f.Units).c_str(),
                     Format(baselineCpu, f.Units).c_str(), ratio, target.c_str(), verdict);
    }
    for (const Series& s : series_) {
        std::vector<std::pair<long long, std::string>> sizes;
        for (const auto& [key, m] : measured_) {
            const std::string prefix = s.Benchmark + "/";
            if (key.rfind(prefix, 0) != 0)
                continue;
            std::string arg = key.substr(prefix.size());
            arg = arg.substr(0, arg.find('#'));
            const long long n = std::atoll(arg.c_str());
            if (n > 0 && std::find_if(sizes.begin(), sizes.end(),
                                      [n](const auto& e) { return e.first == n; }) == sizes.end())
                sizes.emplace_back(n, arg);
        }
        if (sizes.empty())
            continue;
        std::sort(sizes.begin(), sizes.end());
        const char* const row = "%10s %10s %10s %12s %12s %10s %12s\n";
        std::fprintf(out, "\n%s\n", s.Title.c_str());
        std::fprintf(out, row, "samples", "median", "(cpu)", "per 1k", "cpu per 1k", "baseline",
                     "per 1k");
        for (const auto& [n, arg] : sizes) {
            const double value = Median(s.Benchmark + "/" + arg, "");
            const double cpu = Median(s.Benchmark + "/" + arg, "#cpu");
            const double baseline = s.Baseline.empty() ? -1.0 : Median(s.Baseline + "/" + arg, "");
            const auto perThousand = [n](double v) {
                return Format(v < 0 ? v : v * 1000.0 / static_cast<double>(n), Unit::Milliseconds);
            };
            std::fprintf(out, row, std::to_string(n).c_str(),
                         Format(value, Unit::Milliseconds).c_str(),
                         Format(cpu, Unit::Milliseconds).c_str(), perThousand(value).c_str(),
                         perThousand(cpu).c_str(), Format(baseline, Unit::Milliseconds).c_str(),
                         perThousand(baseline).c_str());
        }
        // Linear growth: the step between two sizes costs the same per
        // sample as the step before it.
        for (std::size_t i = 1; i < sizes.size(); ++i) {
            const double a = Median(s.Benchmark + "/" + sizes[i - 1].second, "#cpu");
            const double b = Median(s.Benchmark + "/" + sizes[i].second, "#cpu");
            if (a < 0 || b < 0)
                continue;
            std::fprintf(out, "  %lld -> %lld samples: +%s cpu, %s per 1k added samples\n",
                         sizes[i - 1].first, sizes[i].first,
                         Format(b - a, Unit::Milliseconds).c_str(),
                         Format((b - a) * 1000.0 /
                                    static_cast<double>(sizes[i].first - sizes[i - 1].first),
                                Unit::Milliseconds)
                             .c_str());
        }
    }
    std::fflush(out);
}

int RunBenchmarks(int argc, char** argv, std::vector<Figure> figures, std::vector<Series> series)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    FigureReporter reporter(std::move(figures), std::move(series));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace vx::bench
