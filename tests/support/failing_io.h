#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/failure.h"
#include "conversion/log_io.h"

// A log and an output that fail where a test says, the way a bad disk, a full disk or a
// pulled cable makes them fail, on every platform and without any real device.
namespace quillet::support {

inline constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

// A log in memory whose reads fail with DeviceIoError from byte `failAt` on.
class FailingLogInput : public LogInput {
  public:
    FailingLogInput(std::string name, std::vector<std::uint8_t> bytes, std::uint64_t failAt);
    std::string fileName() const override { return m_name; }
    // How often the log was opened.
    int opened = 0;

  protected:
    std::unique_ptr<ByteSource> open() override;

  private:
    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_failAt;
};

// An output that holds `contents` until a run keeps what it wrote, as a replaced file does, and
// again once the run puts it back. Its writes fail with `failure` once they would pass `room`
// bytes, closing fails when `closingFails`, and keeping when `keepingFails`.
class FailingOutputTarget : public OutputTarget {
  public:
    std::unique_ptr<ByteSink> replace() override;
    std::string name() const override { return "failing"; }

    std::uint64_t room = kNever;
    bool closingFails = false;
    // Whether taking the output's place fails, as a move onto a file another program holds does.
    bool keepingFails = false;
    FailureNumber failure = FailureNumber::DiskFull;

    std::string contents = "the output of an earlier run\r\n";
    bool replaced = false;
    bool kept = false;
    // What reached the sink before it failed or closed.
    std::string written;
};

}  // namespace quillet::support
