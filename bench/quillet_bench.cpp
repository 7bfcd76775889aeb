// Converts a log as large as the logger writes and compares the time with the I/O floor:
// reading the log and writing as many bytes as the CSV has, measured in the same run.
// Usage: quillet_bench CONVERTER [WINDOW-BENCH]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "log_writer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 3;

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

// The best of the times that a program prints for its own work, one number per run.
double bestPrintedSeconds(const std::string& command) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        std::FILE* output = popen(command.c_str(), "r");
        double seconds = 0;
        const bool read = output && std::fscanf(output, "%lf", &seconds) == 1;
        if (!output || pclose(output) != 0 || !read) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        best = std::min(best, seconds);
    }
    return best;
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

void writeBenchLog(const fs::path& log) {
    quillet::support::writeFile(log,
                                quillet::support::buildLog(quillet::support::drivingLog(
                                    {33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 65534, 50)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-log") == 0) {
        writeBenchLog(argv[2]);
        return 0;
    }
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

    const ChildRun conversion = bestOf({argv[1], log, csv});
    const std::uintmax_t csvBytes = fs::file_size(csv);
    const double floor = bestFloor(log, work / "floor.bin", csvBytes);

    std::printf("log %.1f MB, CSV %.1f MB\n", fs::file_size(log) / 1e6, csvBytes / 1e6);
    std::printf("quillet-convert    %.3f s (best of %d)\n", conversion.seconds, kRounds);
    std::printf("I/O floor          %.3f s (best of %d)\n", floor, kRounds);
    std::printf("ratio              %.2f x the floor (goal: at most 3)\n",
                conversion.seconds / floor);
    std::printf("peak memory        %.1f MB (goal: under 10)\n", conversion.peakMemoryKiB / 1024.0);

    if (argc > 2) {
        const double window =
            bestPrintedSeconds("\"" + std::string(argv[2]) + "\" \"" + log + "\" \"" + csv + "\"");
        std::printf("through the window %.3f s (best of %d, on %s)\n", window, kRounds,
                    std::getenv("DISPLAY") ? "an X server" : "no X server");
        std::printf("window ratio       %.2f x quillet-convert (goal: at most 1.25)\n",
                    window / conversion.seconds);
    }
    fs::remove_all(work);
    return 0;
}
