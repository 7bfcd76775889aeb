// Converts a log as large as the logger writes and compares the time with the I/O floor:
// reading the log and writing as many bytes as the CSV has, measured in the same run; and with
// drawing the log's picture (--plot), writing its page (--html) and its MLG (--mlg). Then converts
// a folder of many logs with one --output-dir run and with one process per log. Usage:
// quillet_bench CONVERTER [WINDOW-BENCH]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/log_writer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 3;
constexpr int kFolderLogs = 100;
// Records of 50 samples of 12 channels that make a log of about 1 MB.
constexpr int kFolderLogRecords = 1500;

struct ChildRun {
    double seconds;
    long peakMemoryKiB;
};

// Runs a program to its end and measures it alone. The bench holds little memory itself, since
// a child's peak starts from what its parent held when it forked.
ChildRun runChild(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", arguments[0].c_str());
        std::exit(1);
    }
    return {seconds, usage.ru_maxrss};
}

ChildRun bestOf(const std::vector<std::string>& arguments) {
    ChildRun best{1e300, 0};
    for (int round = 0; round < kRounds; ++round) {
        const ChildRun run = runChild(arguments);
        best.seconds = std::min(best.seconds, run.seconds);
        best.peakMemoryKiB = std::max(best.peakMemoryKiB, run.peakMemoryKiB);
    }
    return best;
}

// The time that a program prints for its own work.
double printedSeconds(const std::string& command) {
    std::FILE* output = popen(command.c_str(), "r");
    double seconds = 0;
    const bool read = output && std::fscanf(output, "%lf", &seconds) == 1;
    if (!output || pclose(output) != 0 || !read) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return seconds;
}

void copyFloor(const fs::path& input, const fs::path& output, std::uintmax_t outputBytes) {
    std::vector<char> block(64 * 1024, 'x');
    std::FILE* in = std::fopen(input.c_str(), "rb");
    while (std::fread(block.data(), 1, block.size(), in) == block.size()) {
    }
    std::fclose(in);
    std::FILE* out = std::fopen(output.c_str(), "wb");
    for (std::uintmax_t left = outputBytes; left > 0;) {
        const auto chunk = static_cast<std::size_t>(std::min<std::uintmax_t>(left, block.size()));
        std::fwrite(block.data(), 1, chunk, out);
        left -= chunk;
    }
    std::fclose(out);
}

double bestFloor(const fs::path& input, const fs::path& output, std::uintmax_t outputBytes) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        copyFloor(input, output, outputBytes);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

const std::vector<std::uint8_t> kBenchChannels = {33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21};

void writeBenchLog(const fs::path& log) {
    quillet::support::writeFile(
        log, quillet::support::buildLog(quillet::support::drivingLog(kBenchChannels, 65534, 50)));
}

// Twenty minutes of twelve channels at twenty samples a second, as the log page is measured on.
void writePageLog(const fs::path& log) {
    quillet::support::writeFile(
        log, quillet::support::buildLog(quillet::support::drivingLog(kBenchChannels, 1200, 20)));
}

void writeFolderLogs(const fs::path& folder) {
    fs::create_directories(folder);
    for (int number = 1; number <= kFolderLogs; ++number) {
        const std::string name = "Run" + std::to_string(1000 + number) + "QMRX.pdb";
        quillet::support::writeFile(folder / name,
                                    quillet::support::buildLog(quillet::support::drivingLog(
                                        kBenchChannels, kFolderLogRecords, 50, number)));
    }
}

std::vector<fs::path> logsIn(const fs::path& folder) {
    std::vector<fs::path> logs;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        logs.push_back(entry.path());
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

// The best time of converting every log in the folder by one process per log.
double bestOneProcessPerLog(const std::string& converter, const fs::path& folder,
                            const fs::path& output) {
    const std::vector<fs::path> logs = logsIn(folder);
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        double seconds = 0;
        for (const fs::path& log : logs) {
            const fs::path csv = output / log.filename().replace_extension(".csv");
            seconds += runChild({converter, log.string(), csv.string()}).seconds;
        }
        best = std::min(best, seconds);
    }
    return best;
}

void benchFolder(const std::string& converter, const fs::path& work) {
    const fs::path folder = work / "Backup";
    std::printf("Writing %d logs of %d records, 50 samples each, 12 channels...\n", kFolderLogs,
                kFolderLogRecords);
    runChild({fs::canonical("/proc/self/exe").string(), "--write-logs", folder.string()});
    std::uintmax_t bytes = 0;
    for (const fs::path& log : logsIn(folder)) bytes += fs::file_size(log);

    const fs::path together = work / "together";
    const fs::path apart = work / "apart";
    fs::create_directories(apart);
    const ChildRun oneRun = bestOf({converter, "--output-dir", together.string(), folder.string()});
    const double perLog = bestOneProcessPerLog(converter, folder, apart);

    std::printf("%d logs, %.1f MB each\n", kFolderLogs, bytes / 1e6 / kFolderLogs);
    std::printf("one --output-dir   %.3f s (best of %d)\n", oneRun.seconds, kRounds);
    std::printf("one run per log    %.3f s (best of %d)\n", perLog, kRounds);
    std::printf("folder ratio       %.2f x one run per log (goal: at most 1)\n",
                oneRun.seconds / perLog);
}

// A log of 65,535 records converted, against the I/O floor; returns the conversion's time.
double benchConversion(const std::string& converter, const std::string& log, const std::string& csv,
                       const fs::path& work) {
    const ChildRun conversion = bestOf({converter, log, csv});
    const std::uintmax_t csvBytes = fs::file_size(csv);
    const double floor = bestFloor(log, work / "floor.bin", csvBytes);

    std::printf("log %.1f MB, CSV %.1f MB\n", fs::file_size(log) / 1e6, csvBytes / 1e6);
    std::printf("quillet-convert    %.3f s (best of %d)\n", conversion.seconds, kRounds);
    std::printf("I/O floor          %.3f s (best of %d)\n", floor, kRounds);
    std::printf("ratio              %.2f x the floor (goal: at most 3)\n",
                conversion.seconds / floor);
    std::printf("peak memory        %.1f MB (goal: under 10)\n", conversion.peakMemoryKiB / 1024.0);
    return conversion.seconds;
}

void benchPicture(const std::string& converter, const std::string& log, const fs::path& work,
                  double conversionSeconds) {
    const std::string picture = (work / "bench.svg").string();
    const ChildRun drawing = bestOf({converter, "--plot", picture, log});
    std::printf("--plot             %.3f s (best of %d), picture %.2f MB (goal: under 1)\n",
                drawing.seconds, kRounds, fs::file_size(picture) / 1e6);
    std::printf("drawing ratio      %.2f x quillet-convert (goal: at most 1)\n",
                drawing.seconds / conversionSeconds);
}

void benchPage(const std::string& converter, const std::string& log, const fs::path& work,
               double conversionSeconds) {
    const std::string page = (work / "bench.html").string();
    const ChildRun paging = bestOf({converter, "--html", page, log});
    std::printf("--html             %.3f s (best of %d), page %.1f MB, %.2f x the log\n",
                paging.seconds, kRounds, fs::file_size(page) / 1e6,
                static_cast<double>(fs::file_size(page)) / static_cast<double>(fs::file_size(log)));
    std::printf("page ratio         %.2f x quillet-convert (goal: at most 1)\n",
                paging.seconds / conversionSeconds);
    fs::remove(page);
}

void benchMlg(const std::string& converter, const std::string& log, const fs::path& work,
              double conversionSeconds) {
    const std::string mlg = (work / "bench.mlg").string();
    const ChildRun writing = bestOf({converter, "--mlg", mlg, log});
    std::printf("--mlg              %.3f s (best of %d), MLG %.1f MB\n", writing.seconds, kRounds,
                fs::file_size(mlg) / 1e6);
    std::printf("MLG ratio          %.2f x quillet-convert (goal: at most 1)\n",
                writing.seconds / conversionSeconds);
    fs::remove(mlg);
}

// The window and quillet-convert take turns, so that both find the disk as busy with the CSVs
// written before them.
void benchWindow(const std::string& converter, const std::string& windowBench,
                 const std::string& log, const std::string& csv) {
    const std::string windowCommand = "\"" + windowBench + "\" \"" + log + "\" \"" + csv + "\"";
    double window = 1e300;
    double converted = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        converted = std::min(converted, runChild({converter, log, csv}).seconds);
        window = std::min(window, printedSeconds(windowCommand));
    }
    std::printf("through the window %.3f s (best of %d, on %s)\n", window, kRounds,
                std::getenv("DISPLAY") ? "an X server" : "no X server");
    std::printf(
        "window ratio       %.2f x quillet-convert in turn with it, %.3f s "
        "(goal: at most 1.25)\n",
        window / converted, converted);
}

// The bench writes its logs in child processes of its own, so that it holds little memory
// itself when it measures the converter's peak.
bool writesLogs(int argc, char** argv) {
    if (argc != 3) return false;
    const std::string what = argv[1];
    if (what == "--write-log") {
        writeBenchLog(argv[2]);
    } else if (what == "--write-page-log") {
        writePageLog(argv[2]);
    } else if (what == "--write-logs") {
        writeFolderLogs(argv[2]);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (writesLogs(argc, argv)) return 0;
    if (argc < 2) {
        std::fputs("usage: quillet_bench CONVERTER [WINDOW-BENCH]\n", stderr);
        return 2;
    }
    const fs::path work = fs::temp_directory_path() / "quillet-bench";
    fs::create_directories(work);
    const std::string log = (work / "BenchQMRX.pdb").string();
    const std::string csv = (work / "bench.csv").string();

    std::printf("Writing a log of 65,535 records, 50 samples each, 12 channels...\n");
    runChild({fs::canonical("/proc/self/exe").string(), "--write-log", log});
    const double conversionSeconds = benchConversion(argv[1], log, csv, work);
    benchPicture(argv[1], log, work, conversionSeconds);
    benchPage(argv[1], log, work, conversionSeconds);
    benchMlg(argv[1], log, work, conversionSeconds);
    if (argc > 2) benchWindow(argv[1], argv[2], log, csv);
    fs::remove(log);
    benchFolder(argv[1], work);
    fs::remove_all(work);
    return 0;
}
