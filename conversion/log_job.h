#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "conversion/byte_io.h"
#include "conversion/log_io.h"
#include "conversion/log_reading.h"
#include "conversion/run_reporting.h"

// Writing every output of one log, the CSV, the picture and the page, from one reading of it.
namespace quillet {

// One output of a log: what it writes before, while and after the samples are read.
class LogOutput {
  public:
    virtual ~LogOutput() = default;
    // The bytes its buffer gathers before they go to the output.
    virtual std::size_t bufferSize() const { return 64 * 1024; }
    // Called once every output of the log could be opened, before the samples are read: writes
    // what comes first, and keeps `out` for what it writes as the samples come.
    virtual void begin(WriteBuffer& out) { static_cast<void>(out); }
    // Called once the reading has ended, at its stop if the log is damaged: writes the rest.
    virtual void end(WriteBuffer& out, const std::optional<ReadingStop>& stop) = 0;
};

// An output of a job, and where it goes.
struct JobOutput {
    LogOutput& output;
    OutputTarget& target;
};

// Reads the log once, handing its samples to `visitors` (the outputs that write as they come,
// and the readings the others are written from), and writes every output. The outputs stand
// or fall together: each is opened before the samples are read and written whole beside its
// file, and only when all are whole do they take their files' places. An output that fails
// leaves every file as it was, and its failure names it and the others it left unwritten. A
// damaged log gives every output the samples before the damage, and then fails as the log does.
void writeLogOutputs(ByteSource& log, const LogStart& start, std::span<const JobOutput> outputs,
                     std::span<SampleVisitor* const> visitors, ReportingServices& services);

}  // namespace quillet
