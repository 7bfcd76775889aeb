// Writes the logs that ship with the project:
//   make_logs samples DIRECTORY   the sample logs of samples/
//   make_logs seeds DIRECTORY     the fuzzer's seeds: the samples and every kind of damaged log
//   make_logs long FILE           a log that takes seconds to convert (see longRunningLog)
//   make_logs clock FILE          a log whose clock misbehaves (see unsteadyClockLog)
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/damaged_logs.h"
#include "tests/support/log_writer.h"
#include "tests/support/sample_logs.h"

using namespace quillet::support;

int main(int argc, char** argv) {
    const std::string kind = argc == 3 ? argv[1] : "";
    if (kind == "long") {
        writeFile(argv[2], longRunningLog(2000));
        return 0;
    }
    if (kind == "clock") {
        writeFile(argv[2], buildLog(unsteadyClockLog()));
        return 0;
    }
    if (kind != "samples" && kind != "seeds") {
        std::fputs("usage: make_logs samples|seeds DIRECTORY, or make_logs long|clock FILE\n",
                   stderr);
        return 2;
    }
    const std::filesystem::path directory = argv[2];
    std::filesystem::create_directories(directory);
    const std::string prefix = kind == "seeds" ? "sample-" : "";
    for (const SampleLog& sample : sampleLogs()) {
        writeFile(directory / (prefix + sample.fileName), buildLog(sample.contents));
    }
    if (kind == "seeds") {
        for (const DamagedLog& damaged : damagedLogs()) {
            writeFile(directory / ("damaged-" + damaged.name + ".pdb"), damaged.bytes);
        }
    }
    return 0;
}
