#include "tests/support/memory_io.h"

#include "conversion/log_job.h"
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
        m_target.contents = std::move(m_written);
        m_target.kept = true;
    }

  private:
    MemoryOutputTarget& m_target;
    std::string m_written;
};

}  // namespace

std::unique_ptr<ByteSink> MemoryOutputTarget::replace() {
    replaced = true;
    return std::make_unique<MemorySink>(*this);
}

MlgInMemory mlgInMemory(const std::vector<std::uint8_t>& log, const std::string& name) {
    MemorySource source(log);
    MemoryOutputTarget output;
    support::RecordingServices services;
    try {
        const LogStart start = readLogStart(source);
        MlgOutput mlg(name, start);
        const JobOutput outputs[] = {{mlg, output}};
        SampleVisitor* const visitors[] = {&mlg};
        writeLogOutputs(source, start, outputs, visitors, services);
    } catch (const Failure& failure) {
        return {output.contents, failure.number()};
    }
    return {output.contents, std::nullopt};
}

}  // namespace quillet
