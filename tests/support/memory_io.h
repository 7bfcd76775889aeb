#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/failure.h"
#include "conversion/log_io.h"
#include "conversion/log_output.h"

// A log and an output held in memory, for runs that touch no disk.
namespace quillet {

class MemoryLogInput : public LogInput {
  public:
    MemoryLogInput(std::string name, std::vector<std::uint8_t> bytes)
        : m_name(std::move(name)), m_bytes(std::move(bytes)) {}
    std::string fileName() const override { return m_name; }

  protected:
    std::unique_ptr<ByteSource> open() override { return std::make_unique<MemorySource>(m_bytes); }

  private:
    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
};

// An output in memory that, like a file, takes what a run wrote only once the run closes it.
class MemoryOutputTarget : public OutputTarget {
  public:
    std::unique_ptr<ByteSink> replace() override;
    std::string name() const override { return label; }

    std::string label = "memory";
    // Whether the run got as far as replacing the output, and whether its sink took the
    // output's place.
    bool replaced = false;
    bool kept = false;
    std::string contents;
};

// Writes one output of the log, as a run asked for that output alone does.
ConversionOutcome writeOneOutput(MakeLogOutput make, LogInput& log, OutputTarget& output,
                                 ReportingServices& services,
                                 const SpreadsheetProfile& profile = {});

struct MlgInMemory {
    std::string bytes;
    // The failure the job ended with.
    std::optional<FailureNumber> ending;
};

// The MLG of a log held in memory and named `name`, written as a job of that one output.
MlgInMemory mlgInMemory(const std::vector<std::uint8_t>& log, const std::string& name);

}  // namespace quillet
