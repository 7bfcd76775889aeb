// Runs the whole conversion on the fuzzer's bytes as a log held in memory, into a CSV
// collected in memory, and stops at the first run that does not end as the reference reading
// of the same bytes says: converted with exactly the lines the records hold, or failed with
// the right message and only the lines written before. The one reading that writes the CSV
// also feeds the picture's chart and the summary, which must hold the samples the CSV holds.
// With no disk in the way it runs many thousands of logs a second; conversion_file_fuzzer
// covers the files themselves.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/csv_output.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> log(data, data + size);
    const support::ReferenceOutcome reference = support::referenceConversion(log, kLogName);
    MemoryLogInput input(kLogName, std::move(log));
    MemoryOutputTarget output;
    support::RecordingServices services;
    // Kept past the run, which a damaged log ends by an exception: both then hold the samples
    // before the damage.
    std::optional<ChartReading> chart;
    std::optional<SummaryCollector> summary;
    const ConversionOutcome outcome = runReported(services, [&] {
        ByteSource& source = input.source();
        const LogStart start = readLogStart(source);
        CsvOutput csv(kLogName, start, {});
        chart.emplace(start, timeAxisOf(source, start, kPlotColumns));
        summary.emplace(start);
        const JobOutput outputs[] = {{csv, output}};
        SampleVisitor* const alsoReading[] = {&*chart, &*summary};
        writeMadeOutputs(source, start, outputs, alsoReading, services);
    });

    fuzzing::checkEnding(services, reference, outcome);
    check(output.replaced == reference.outputCreated,
          "the output was replaced by a run that had to fail first, or not replaced at all");
    check(output.kept == reference.outputCreated, "the output was left open");
    check(output.contents == reference.csv, "the CSV differs from the records");

    const long long samples = reference.outputCreated
                                  ? std::count(reference.csv.begin(), reference.csv.end(), '\n') - 2
                                  : 0;
    check(chart.has_value() == reference.outputCreated,
          "the samples were read of a log whose CSV could not begin");
    if (chart) {
        check(chart->chart().span.samples == samples, "the picture and the CSV hold other samples");
        check(summary->summary().span.samples == samples,
              "the summary and the CSV count other samples");
    }
    return 0;
}
