// Runs the whole conversion on the fuzzer's bytes as a log held in memory, into a CSV
// collected in memory, and stops at the first run that does not end as the reference reading
// of the same bytes says: converted with exactly the lines the records hold, or failed with
// the right message and only the lines written before. With no disk in the way it runs many
// thousands of logs a second; conversion_file_fuzzer covers the files themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "conversion_run.h"
#include "memory_io.h"
#include "recording_services.h"
#include "reference_conversion.h"
#include "run_checks.h"

namespace {

using namespace quillet;
using fuzzing::check;

const std::string kLogName = "FuzzQMRX.pdb";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> log(data, data + size);
    const support::ReferenceOutcome reference = support::referenceConversion(log, kLogName);
    MemoryLogInput input(kLogName, std::move(log));
    MemoryOutputTarget output;
    support::RecordingServices services;
    const ConversionOutcome outcome = convertLog(input, output, services);

    fuzzing::checkEnding(services, reference, outcome);
    check(output.replaced == reference.outputCreated,
          "the output was replaced by a run that had to fail first, or not replaced at all");
    check(output.closed == reference.outputCreated, "the output was left open");
    check(output.csv == reference.csv, "the CSV differs from the records");
    return 0;
}
