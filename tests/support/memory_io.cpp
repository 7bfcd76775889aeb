#include "tests/support/memory_io.h"

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

}  // namespace quillet
