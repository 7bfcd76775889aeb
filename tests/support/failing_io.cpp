#include "tests/support/failing_io.h"

#include <algorithm>
#include <utility>

namespace quillet::support {
namespace {

class FailingSource : public ByteSource {
  public:
    FailingSource(const std::vector<std::uint8_t>& bytes, std::uint64_t failAt)
        : m_bytes(bytes), m_failAt(failAt) {}

    // A read that reaches the failing byte gives what lies before it, as a disk does; the next
    // one fails.
    std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into) override {
        if (position >= m_failAt && position < m_bytes.size()) {
            throw Failure(FailureNumber::DeviceIoError);
        }
        const std::size_t readable =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_failAt, m_bytes.size()));
        return MemorySource(std::span(m_bytes).first(readable)).readAt(position, into);
    }

  private:
    const std::vector<std::uint8_t>& m_bytes;
    std::uint64_t m_failAt;
};

class FailingSink : public ByteSink {
  public:
    explicit FailingSink(FailingOutputTarget& target) : m_target(target) {}

    void write(std::span<const char> bytes) override {
        if (m_target.written.size() + bytes.size() > m_target.room) throw Failure(m_target.failure);
        m_target.written.append(bytes.data(), bytes.size());
    }
    void close() override {
        if (m_target.closingFails) throw Failure(m_target.failure);
    }
    void keep() override {
        if (m_target.keepingFails) throw Failure(m_target.failure);
        m_replaced = std::exchange(m_target.contents, m_target.written);
        m_target.kept = true;
    }
    void putBack() override {
        m_target.contents = m_replaced;
        m_target.kept = false;
    }

  private:
    FailingOutputTarget& m_target;
    std::string m_replaced;
};

}  // namespace

FailingLogInput::FailingLogInput(std::string name, std::vector<std::uint8_t> bytes,
                                 std::uint64_t failAt)
    : m_name(std::move(name)), m_bytes(std::move(bytes)), m_failAt(failAt) {}

std::unique_ptr<ByteSource> FailingLogInput::open() {
    ++opened;
    return std::make_unique<FailingSource>(m_bytes, m_failAt);
}

std::unique_ptr<ByteSink> FailingOutputTarget::replace() {
    replaced = true;
    written.clear();
    return std::make_unique<FailingSink>(*this);
}

}  // namespace quillet::support
