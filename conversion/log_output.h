#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "conversion/byte_io.h"
#include "conversion/log_io.h"
#include "conversion/log_reading.h"
#include "conversion/run_reporting.h"
#include "conversion/spreadsheet_profile.h"

// Writing any set of outputs of one log (the CSV, the picture, the page, the MLG file) from one
// reading of it.
namespace quillet {

// One output of a log: a visitor of the one reading of its samples, and what it writes before,
// while and after they are read.
class LogOutput : public SampleVisitor {
  public:
    // The bytes its buffer gathers before they go to the output.
    virtual std::size_t bufferSize() const { return 64 * 1024; }
    // Called once every output of the log could be opened, before the samples are read: writes
    // what comes first, and keeps `out` for what it writes as the samples come.
    virtual void begin(WriteBuffer& out) { static_cast<void>(out); }
    // Called once the reading has ended, at its stop if the log is damaged: writes the rest.
    virtual void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) = 0;
};

// What the writer of an output is made from, once the log's start is read.
struct LogToWrite {
    // The log's file name, as line 1 of its CSV shows it.
    std::string fileName;
    // The log's bytes, for a writer that reads ahead of the samples.
    ByteSource& source;
    const LogStart& start;
    SpreadsheetProfile profile;
    // A setup saved by the log page, which a page of the log opens with; empty for none.
    std::string_view pageSetup;
};

// Makes the writer of one kind of output. Fails, before anything is written, where the log
// cannot have that output.
using MakeLogOutput = std::unique_ptr<LogOutput> (*)(const LogToWrite& log);

// An output a run is asked for: its kind's writer, and where it goes.
struct OutputOrder {
    MakeLogOutput make;
    OutputTarget& target;
};

// Reads the log once and writes every output ordered from that one reading. The outputs stand or
// fall together: each is opened before the samples are read and written whole beside its file,
// and only when all are whole do they take their places, in one step that an interruption waits
// for and that a failure to move one of them undoes. An output that fails leaves every file as
// it was, and its failure names it and the others it left unwritten. A damaged log gives every
// output the samples before the damage, and then fails as the log does. Every failure ends in a
// message through the services; the outcome tells scripts which way the run ended.
ConversionOutcome writeLogOutputs(LogInput& log, std::span<const OutputOrder> outputs,
                                  ReportingServices& services,
                                  const SpreadsheetProfile& profile = {},
                                  std::string_view pageSetup = {});

// An output made, and where it goes.
struct JobOutput {
    LogOutput& output;
    OutputTarget& target;
};

// The same for outputs already made, with `alsoReading`, visitors of the same reading that write
// nothing; throws the failure instead of reporting it.
void writeMadeOutputs(ByteSource& log, const LogStart& start, std::span<const JobOutput> outputs,
                      std::span<SampleVisitor* const> alsoReading, ReportingServices& services);

}  // namespace quillet
