#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include "conversion/byte_io.h"
#include "conversion/failure.h"
#include "conversion/log_io.h"

namespace quillet {

// Where reading stopped before the end of the log, and why.
struct ChartStop {
    int record;
    Failure failure;
};

// Writes what a reading took of a log (its picture, its page) into output through a buffer of
// bufferSize bytes. Called once the whole log was read, so that a log that cannot be read at
// all leaves the output as it was. A log that stopped early is written up to its stop and then
// fails as its conversion does, telling an output failure too.
void writeReadingOf(OutputTarget& output, const std::optional<ChartStop>& stop,
                    std::size_t bufferSize, const std::function<void(WriteBuffer&)>& write);

}  // namespace quillet
