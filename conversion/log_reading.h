#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/failure.h"
#include "conversion/log_layout.h"
#include "conversion/run_reporting.h"

// The one reading of a log's samples, in file order, that every use of a log is fed from: the
// CSV, the picture, the page, the summary, and the check that a log reads whole.
namespace quillet {

// The two blocks every reading of a log starts from.
struct LogStart {
    LogHeader header;
    LogInfo info;

    // The channels' identifiers in column order, at most twelve once readLogStart took them.
    std::span<const std::uint8_t> identifiers() const;
};

// Reads the header at offset 0 and the info block at the offset the header gives. A file whose
// header is no log's is a bad file name; a channel count above twelve fails with
// SubscriptOutOfRange, as reading its thirteenth column does.
LogStart readLogStart(ByteSource& source);

// The smallest and the largest seconds value that the records name, read ahead of their samples
// from the record list and each record's first two bytes alone, as far as the records can be
// reached; nothing where none can.
std::optional<std::pair<int, int>> recordSecondsRange(ByteSource& source, const LogStart& start);

// What a use of a log takes from its reading, sample by sample.
class SampleVisitor {
  public:
    virtual ~SampleVisitor() = default;
    // Record `record` (1 on) begins, at `seconds`.
    virtual void beginRecord(int record, int seconds) = 0;
    // One sample of the record begun, once all its bytes were read: its hundredths byte and its
    // channels' raw bytes in column order.
    virtual void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) = 0;
    // The record begun had all its samples.
    virtual void endRecord() {}
};

// Where a reading stopped before the end of the log, and why.
struct ReadingStop {
    int record;
    Failure failure;
};

// Reads records 1 and on, sample by sample and byte by byte, and hands every record and sample
// to each visitor in turn; the services' progress follows the records. A log that ends early,
// points past its end or fails to read stops where the reading reaches the damage, after every
// complete sample before it, as does a visitor that fails: the stop says where and why.
std::optional<ReadingStop> readSamples(ByteSource& source, const LogStart& start,
                                       std::span<SampleVisitor* const> visitors,
                                       ReportingServices& services);

}  // namespace quillet
