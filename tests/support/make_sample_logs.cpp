// Writes the sample logs that ship in samples/: make_sample_logs DIRECTORY
#include <cstdio>
#include <filesystem>

#include "log_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_sample_logs DIRECTORY\n", stderr);
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);
    for (const quillet::testing::SampleLog& sample : quillet::testing::sampleLogs()) {
        quillet::testing::writeFile(directory / sample.fileName,
                                    quillet::testing::buildLog(sample.contents));
    }
    return 0;
}
