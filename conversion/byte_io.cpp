#include "conversion/byte_io.h"

#include <algorithm>

#include "conversion/failure.h"

namespace quillet {

void readBlock(ByteSource& source, std::uint64_t position, std::span<std::uint8_t> into) {
    if (source.readAt(position, into) != into.size()) {
        throw Failure(FailureNumber::InputPastEndOfFile);
    }
}

std::size_t MemorySource::readAt(std::uint64_t position, std::span<std::uint8_t> into) {
    if (position >= m_bytes.size()) return 0;
    const std::size_t count =
        std::min<std::uint64_t>(into.size(), m_bytes.size() - static_cast<std::size_t>(position));
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(position), count, into.begin());
    return count;
}

namespace {

constexpr std::size_t kFirstWriteCapacity = 4 * 1024;

}  // namespace

ReadCursor::ReadCursor(ByteSource& source, std::size_t windowSize)
    : m_source(source), m_windowSize(windowSize) {
    const std::span<const std::uint8_t> memory = source.inMemory();
    if (memory.empty()) {
        m_window = std::make_unique_for_overwrite<std::uint8_t[]>(windowSize);
        m_windowBytes = m_window.get();
    } else {
        m_windowBytes = memory.data();
        m_windowLength = memory.size();
    }
}

bool ReadCursor::fillWindow() {
    if (!m_window) return false;
    m_windowStart = m_position;
    m_windowLength = m_source.readAt(m_position, std::span(m_window.get(), m_windowSize));
    return m_windowLength != 0;
}

bool ReadCursor::readAcrossWindows(std::span<std::uint8_t> into) {
    for (std::uint8_t& byte : into) {
        if (outsideWindow() && !fillWindow()) return false;
        byte = m_windowBytes[m_position++ - m_windowStart];
    }
    return true;
}

void ReadCursor::failPastEnd() { throw Failure(FailureNumber::InputPastEndOfFile); }

WriteBuffer::WriteBuffer(ByteSink& sink, std::size_t capacity)
    : m_sink(sink), m_fullCapacity(capacity) {
    allocate(std::min(capacity, kFirstWriteCapacity));
}

void WriteBuffer::makeRoom(std::size_t size) {
    if (m_capacity < m_fullCapacity) {
        std::unique_ptr<char[]> filled = std::move(m_buffer);
        allocate(std::max(std::min(2 * m_capacity, m_fullCapacity), m_used + size));
        std::copy_n(filled.get(), m_used, m_buffer.get());
        return;
    }
    flush();
    if (size > m_capacity) allocate(size);
}

void WriteBuffer::allocate(std::size_t capacity) {
    m_buffer = std::make_unique_for_overwrite<char[]>(capacity);
    m_capacity = capacity;
}

void WriteBuffer::append(std::string_view text) {
    char* at = reserve(text.size());
    commit(std::copy(text.begin(), text.end(), at));
}

void WriteBuffer::flush() {
    if (m_used > 0) {
        m_sink.write(std::span<const char>(m_buffer.get(), m_used));
        m_used = 0;
    }
}

}  // namespace quillet
