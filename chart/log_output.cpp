#include "chart/log_output.h"

#include <memory>

#include "conversion/failure.h"

namespace quillet {

void writeReadingOf(OutputTarget& output, const std::optional<ChartStop>& stop,
                    std::size_t bufferSize, const std::function<void(WriteBuffer&)>& write) {
    const std::unique_ptr<ByteSink> sink = output.replace();
    try {
        WriteBuffer out(*sink, bufferSize);
        write(out);
        out.flush();
        sink->close();
    } catch (...) {
        if (!stop) throw;
        throw withOutputFailure(stop->failure, failureFromCurrentException());
    }
    if (stop) throw stop->failure;
}

}  // namespace quillet
