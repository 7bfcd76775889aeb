// Writes the logs that ship with the project:
//   make_logs samples DIRECTORY   the sample logs of samples/
//   make_logs seeds DIRECTORY     the fuzzer's seeds: the samples and every kind of damaged log
//   make_logs long FILE           a log that takes seconds to convert (see longRunningLog)
//   make_logs clock FILE          a log whose clock misbehaves (see unsteadyClockLog)
//   make_logs bytes DIRECTORY     two logs that hold every raw byte of every channel the table
//                                 knows and of unknown ones, some of them in two columns
//   make_logs correction DIRECTORY  a drive through cells that want known corrections of fuel,
//                                 its O2 in step with the engine and 0.3 s late (see correctionLog)
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
    if (kind == "bytes") {
        const std::filesystem::path directory = argv[2];
        std::filesystem::create_directories(directory);
        writeFile(directory / "EveryByteAQMRX.pdb",
                  buildLog(everyByteLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21})));
        writeFile(directory / "EveryByteBQMRX.pdb",
                  buildLog(everyByteLog({22, 29, 15, 14, 13, 12, 0, 34, 255, 33, 34, 33})));
        return 0;
    }
    if (kind == "correction") {
        const std::filesystem::path directory = argv[2];
        std::filesystem::create_directories(directory);
        for (const auto& [name, late] :
             {std::pair{"CorrectionQMRX", 0}, {"CorrectionLateQMRX", 3}}) {
            LogContents contents = correctionLog(late);
            contents.databaseName = name;
            writeFile(directory / (std::string(name) + ".pdb"), buildLog(contents));
        }
        return 0;
    }
    if (kind != "samples" && kind != "seeds") {
        std::fputs(
            "usage: make_logs samples|seeds|bytes|correction DIRECTORY, or make_logs long|clock "
            "FILE\n",
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
