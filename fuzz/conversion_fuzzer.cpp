// Runs the whole conversion on the fuzzer's bytes as the log, and stops at the first run that
// does not end as the reference reading of the same bytes says: converted with exactly the
// lines the records hold, or failed with the right message and only the lines written before.
// Nothing but the output may change on disk.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "conversion_run.h"
#include "log_writer.h"
#include "recording_services.h"
#include "reference_conversion.h"

namespace {

namespace fs = std::filesystem;
using namespace quillet;

const std::string kLogName = "FuzzQMRX.pdb";

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "conversion_fuzzer: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) fail(what);
}

std::vector<fs::path> folderListing(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void checkEnding(const testing::RecordingServices& services,
                 const testing::ReferenceOutcome& reference, ConversionOutcome outcome) {
    const std::vector<std::string>& calls = services.calls;
    check(calls.size() >= 3 && calls.front() == "busy",
          "the run did not start with the busy pointer");
    if (reference.failureNumber == 0) {
        check(outcome == ConversionOutcome::Converted, "a convertible log failed");
        check(services.messages.empty(), "a converted log showed a message");
        check(calls[calls.size() - 3] == "idle" && calls[calls.size() - 2] == "value 1" &&
                  calls.back() == "beep",
              "a converted log did not end in pointer, progress 1 and beep");
        return;
    }
    check(outcome == ConversionOutcome::Failed, "a damaged log was reported as converted");
    check(services.messages.size() == 1, "a failure did not show exactly one message");
    const std::string expectedStart =
        reference.failureNumber == 75
            ? std::string("Bad Filename.")
            : "Unexpected error # " + std::to_string(reference.failureNumber) + " occurred: ";
    check(services.messages[0].rfind(expectedStart, 0) == 0, "a failure showed the wrong message");
    check(calls[calls.size() - 2] == "idle" && calls.back() == "value 0",
          "a failure did not end in pointer and progress 0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testing::TemporaryFolder folder;
    const fs::path input = folder / kLogName;
    const fs::path output = folder / "out.csv";
    const std::vector<std::uint8_t> log(data, data + size);
    testing::writeFile(input, log);
    fs::remove(output);

    testing::RecordingServices services;
    const ConversionOutcome outcome = convertLog(input.string(), output.string(), services);
    const testing::ReferenceOutcome reference = testing::referenceConversion(log, kLogName);

    checkEnding(services, reference, outcome);
    check(testing::readFile(input) == std::string(log.begin(), log.end()), "the log was changed");
    if (reference.outputCreated) {
        check(testing::readFile(output) == reference.csv, "the CSV differs from the records");
        check(folderListing(folder.path()) == std::vector<fs::path>{kLogName, "out.csv"},
              "files other than the output appeared");
    } else {
        check(folderListing(folder.path()) == std::vector<fs::path>{kLogName},
              "the output was created by a run that had to fail first");
    }
    return 0;
}
