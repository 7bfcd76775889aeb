#pragma once

#include "conversion/run_reporting.h"
#include "tests/support/recording_services.h"
#include "tests/support/reference_conversion.h"

// The checks both fuzz targets make of a run, each stopping the fuzzer at the first run that
// does not end as the reference reading of the same bytes says.
namespace quillet::fuzzing {

// Ends the process with `what` on standard error when `holds` is false.
void check(bool holds, const char* what);

// The run's calls and message: busy pointer first; a converted log ends in pointer, progress 1
// and beep without a message; a damaged one in the message of its failure, pointer and 0.
void checkEnding(const support::RecordingServices& services,
                 const support::ReferenceOutcome& reference, ConversionOutcome outcome);

}  // namespace quillet::fuzzing
