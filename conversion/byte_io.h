#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The byte source and sink seams the conversion reads and writes through, with buffered
// cursors over them.
namespace quillet {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to into.size() bytes at position; fewer only at the end of the source.
    virtual std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into) = 0;
};

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(std::span<const char> bytes) = 0;
    // Makes everything written final; a sink is closed once.
    virtual void close() = 0;
};

// Reads the block at position whole, or fails with InputPastEndOfFile.
void readBlock(ByteSource& source, std::uint64_t position, std::span<std::uint8_t> into);

// A moving read position over a source, served from a window of the source kept in memory,
// so that reading byte after byte costs one source read per window.
class ReadCursor {
  public:
    explicit ReadCursor(ByteSource& source, std::size_t windowSize = 64 * 1024);

    void seek(std::uint64_t position) { m_position = position; }
    std::uint64_t position() const { return m_position; }

    // Fails with InputPastEndOfFile when the source ends first.
    std::uint8_t readByte() {
        if (m_position - m_windowStart >= m_windowLength || m_position < m_windowStart) {
            fillWindow();
        }
        return m_window[m_position++ - m_windowStart];
    }
    void read(std::span<std::uint8_t> into);

  private:
    void fillWindow();

    ByteSource& m_source;
    std::vector<std::uint8_t> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowLength = 0;
    std::uint64_t m_position = 0;
};

// Collects output and hands it to the sink in large writes. Text is built in place: reserve()
// gives room at the end, and only what commit() then marks is kept.
class WriteBuffer {
  public:
    explicit WriteBuffer(ByteSink& sink, std::size_t capacity = 64 * 1024);

    char* reserve(std::size_t size) {
        if (m_used + size > m_buffer.size()) {
            flush();
            if (size > m_buffer.size()) m_buffer.resize(size);
        }
        return m_buffer.data() + m_used;
    }
    void commit(const char* end) { m_used = static_cast<std::size_t>(end - m_buffer.data()); }
    void append(std::string_view text);
    void flush();

  private:
    ByteSink& m_sink;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
};

}  // namespace quillet
