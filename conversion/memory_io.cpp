#include "memory_io.h"

#include <algorithm>

namespace quillet {
namespace {

class MemorySink : public ByteSink {
  public:
    explicit MemorySink(MemoryOutputTarget& target) : m_target(target) {}
    void write(std::span<const char> bytes) override {
        m_target.csv.append(bytes.data(), bytes.size());
    }
    void close() override { m_target.closed = true; }

  private:
    MemoryOutputTarget& m_target;
};

}  // namespace

std::size_t MemorySource::readAt(std::uint64_t position, std::span<std::uint8_t> into) {
    if (position >= m_bytes.size()) return 0;
    const std::size_t count =
        std::min<std::uint64_t>(into.size(), m_bytes.size() - static_cast<std::size_t>(position));
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(position), count, into.begin());
    return count;
}

std::unique_ptr<ByteSink> MemoryOutputTarget::replace() {
    replaced = true;
    csv.clear();
    return std::make_unique<MemorySink>(*this);
}

}  // namespace quillet
