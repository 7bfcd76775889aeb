// Runs the whole conversion on the fuzzer's bytes as a log file on disk, and stops at the first
// run that does not end as the reference reading of the same bytes says: converted with
// exactly the lines the records hold, or failed with the right message and only the lines
// written before. Nothing but the output may change on disk.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "frontend/file_conversion.h"
#include "fuzz/run_checks.h"
#include "tests/support/log_writer.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

namespace {

namespace fs = std::filesystem;
using namespace quillet;
using fuzzing::check;

const std::string kLogName = "FuzzQMRX.pdb";

std::vector<fs::path> folderListing(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const support::TemporaryFolder folder;
    const fs::path input = folder / kLogName;
    const fs::path output = folder / "out.csv";
    const std::vector<std::uint8_t> log(data, data + size);
    support::writeFile(input, log);
    fs::remove(output);

    support::RecordingServices services;
    const ConversionOutcome outcome =
        frontend::convertFiles(input.string(), output.string(), services);
    const support::ReferenceOutcome reference = support::referenceConversion(log, kLogName);

    fuzzing::checkEnding(services, reference, outcome);
    check(support::readFile(input) == std::string(log.begin(), log.end()), "the log was changed");
    if (reference.outputCreated) {
        check(support::readFile(output) == reference.csv, "the CSV differs from the records");
        check(folderListing(folder.path()) == std::vector<fs::path>{kLogName, "out.csv"},
              "files other than the output appeared");
    } else {
        check(folderListing(folder.path()) == std::vector<fs::path>{kLogName},
              "the output was created by a run that had to fail first");
    }
    return 0;
}
