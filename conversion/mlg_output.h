#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "conversion/log_output.h"
#include "conversion/log_reading.h"

// The log in the binary log format that tuning and log-viewing programs open as their own logs
// (MLG, file signature "MLVLG", version 1): a field for each of the CSV's columns and a data
// record for each of its rows.
namespace quillet {

// The MLG of a log, written record by record as the samples are read, in the CSV's order; a
// record reaches the output only once all the bytes of its sample were read.
class MlgOutput : public LogOutput {
  public:
    // Fails with SubscriptOutOfRange, before anything is written, for more than twelve channels.
    MlgOutput(const std::string& fileName, const LogStart& start);
    ~MlgOutput() override;

    void begin(WriteBuffer& out) override;
    void end(WriteBuffer&, const std::optional<ReadingStop>&) override {}
    void beginRecord(int record, int seconds) override;
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override;

  private:
    struct Records;
    std::string m_header;
    std::unique_ptr<Records> m_records;
};

std::unique_ptr<LogOutput> makeMlgOutput(const LogToWrite& log);

}  // namespace quillet
