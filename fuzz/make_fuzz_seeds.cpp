// Writes the fuzzer's seed corpus: the sample logs and every kind of damaged log.
// Usage: make_fuzz_seeds DIRECTORY
#include <cstdio>
#include <filesystem>

#include "damaged_logs.h"
#include "log_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_fuzz_seeds DIRECTORY\n", stderr);
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);
    for (const quillet::testing::SampleLog& sample : quillet::testing::sampleLogs()) {
        quillet::testing::writeFile(directory / ("sample-" + sample.fileName),
                                    quillet::testing::buildLog(sample.contents));
    }
    for (const quillet::testing::DamagedLog& damaged : quillet::testing::damagedLogs()) {
        quillet::testing::writeFile(directory / ("damaged-" + damaged.name + ".pdb"),
                                    damaged.bytes);
    }
    return 0;
}
