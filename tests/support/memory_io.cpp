#include "tests/support/memory_io.h"

#include <utility>

#include "conversion/log_output.h"
#include "conversion/mlg_output.h"
#include "tests/support/recording_services.h"

namespace quillet {
namespace {

class MemorySink : public ByteSink {
  public:
    explicit MemorySink(MemoryOutputTarget& target) : m_target(target) {}
    void write(std::span<const char> bytes) override {
        m_written.append(bytes.data(), bytes.size());
    }
    void close() override {}
    void keep() override {
        m_replaced = std::exchange(m_target.contents, std::move(m_written));
        m_target.kept = true;
    }
    void putBack() override {
        m_target.contents = std::move(m_replaced);
        m_target.kept = false;
    }

  private:
    MemoryOutputTarget& m_target;
    std::string m_written;
    std::string m_replaced;
};

}  // namespace

std::unique_ptr<ByteSink> MemoryOutputTarget::replace() {
    replaced = true;
    return std::make_unique<MemorySink>(*this);
}

ConversionOutcome writeOneOutput(MakeLogOutput make, LogInput& log, OutputTarget& output,
                                 ReportingServices& services, const SpreadsheetProfile& profile) {
    const OutputOrder order[] = {{make, output}};
    return writeLogOutputs(log, order, services, profile);
}

MlgInMemory mlgInMemory(const std::vector<std::uint8_t>& log, const std::string& name) {
    MemoryLogInput input(name, log);
    MemoryOutputTarget output;
    support::RecordingServices services;
    writeOneOutput(makeMlgOutput, input, output, services);
    if (services.failures.empty()) return {output.contents, std::nullopt};
    return {output.contents, services.failures.front().number()};
}

}  // namespace quillet
