#include "byte_io.h"

#include <algorithm>

#include "failure.h"

namespace quillet {

void readBlock(ByteSource& source, std::uint64_t position, std::span<std::uint8_t> into) {
    if (source.readAt(position, into) != into.size()) {
        throw Failure(FailureNumber::InputPastEndOfFile);
    }
}

ReadCursor::ReadCursor(ByteSource& source, std::size_t windowSize)
    : m_source(source), m_window(windowSize) {}

void ReadCursor::fillWindow() {
    m_windowStart = m_position;
    m_windowLength = m_source.readAt(m_position, m_window);
    if (m_windowLength == 0) {
        throw Failure(FailureNumber::InputPastEndOfFile);
    }
}

void ReadCursor::read(std::span<std::uint8_t> into) {
    for (std::uint8_t& byte : into) {
        byte = readByte();
    }
}

WriteBuffer::WriteBuffer(ByteSink& sink, std::size_t capacity) : m_sink(sink), m_buffer(capacity) {}

void WriteBuffer::append(std::string_view text) {
    char* at = reserve(text.size());
    commit(std::copy(text.begin(), text.end(), at));
}

void WriteBuffer::flush() {
    if (m_used > 0) {
        m_sink.write(std::span(m_buffer.data(), m_used));
        m_used = 0;
    }
}

}  // namespace quillet
