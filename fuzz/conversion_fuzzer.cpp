// Runs the whole conversion on the fuzzer's bytes as a log held in memory, into a CSV
// collected in memory, and stops at the first run that does not end as the reference reading
// of the same bytes says: converted with exactly the lines the records hold, or failed with
// the right message and only the lines written before. The picture's and the summary's
// readings of the same bytes must agree: the same failure, and the same samples before it.
// With no disk in the way it runs many thousands of logs a second; conversion_file_fuzzer
// covers the files themselves.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "conversion/conversion_run.h"
#include "conversion/log_summary.h"
#include "fuzz/run_checks.h"
#include "picture/log_chart.h"
#include "picture/svg_picture.h"
#include "tests/support/memory_io.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

namespace {

using namespace quillet;
using fuzzing::check;

const std::string kLogName = "FuzzQMRX.pdb";

void checkPicture(ByteSource& log, const support::ReferenceOutcome& reference, long long samples) {
    support::RecordingServices services;
    try {
        const LogChart chart = readLogChart(log, kLogName, kPlotColumns, services);
        check(reference.outputCreated, "the picture read a log whose CSV could not begin");
        check(chart.samples == samples, "the picture and the CSV hold other samples");
        check(chart.stop ? reference.ending == chart.stop->failure.number()
                         : reference.ending == support::kConverted,
              "the picture stopped otherwise than the CSV");
    } catch (const Failure& failure) {
        check(!reference.outputCreated && reference.ending == failure.number(),
              "the picture failed otherwise than the CSV");
    }
}

void checkSummary(ByteSource& log, const support::ReferenceOutcome& reference, long long samples) {
    try {
        const LogSummary summary = summarizeLog(log);
        check(reference.ending == support::kConverted, "a damaged log was summed up");
        check(summary.samples == samples, "the summary and the CSV count other samples");
    } catch (const Failure& failure) {
        check(reference.ending == failure.number(), "the summary failed otherwise than the CSV");
    }
}

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
    check(output.contents == reference.csv, "the CSV differs from the records");

    const long long samples = reference.outputCreated
                                  ? std::count(reference.csv.begin(), reference.csv.end(), '\n') - 2
                                  : 0;
    checkPicture(input.source(), reference, samples);
    checkSummary(input.source(), reference, samples);
    return 0;
}
