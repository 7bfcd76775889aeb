#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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
    // The whole source, when it is held in memory and can be read in place; empty otherwise.
    virtual std::span<const std::uint8_t> inMemory() const { return {}; }
};

// Reads bytes that outlive it, held in memory.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into) override;
    std::span<const std::uint8_t> inMemory() const override { return m_bytes; }

  private:
    std::span<const std::uint8_t> m_bytes;
};

// What a program holds back while the outputs of a run take their places (the signals or
// console events that would end it), so that an interruption finds them all as they were or all
// new.
class InterruptionHold {
  public:
    virtual ~InterruptionHold() = default;
    virtual void hold() = 0;
    // Lets through what came meanwhile, which may end the program here.
    virtual void release() = 0;
};

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(std::span<const char> bytes) = 0;
    // Completes what was written, so that a write that fails shows here at the latest. A sink is
    // closed once.
    virtual void close() = 0;
    // Puts what was closed in the output's place, keeping what the output held aside until
    // settle() or putBack(). A sink destroyed before it is kept leaves the output as it was, as
    // far as the output allows.
    virtual void keep() {}
    // Lets go of what keep() set aside, once every output of the run took its place.
    virtual void settle() {}
    // Puts back what keep() set aside, once another output of the run failed to take its place.
    virtual void putBack() {}
    // What must be held while this output takes its place; nothing for an output that an
    // interruption cannot leave half done (memory, a device).
    virtual InterruptionHold* interruptionHold() { return nullptr; }
    // Whether the output takes the bytes as they are written (a device, a pipe, standard
    // output), so that they are out before the sink is kept.
    virtual bool writesInPlace() const { return false; }
};

// Reads the block at position whole, or fails with InputPastEndOfFile.
void readBlock(ByteSource& source, std::uint64_t position, std::span<std::uint8_t> into);

// A moving read position over a source, served from a window of the source kept in memory,
// so that reading byte after byte costs one source read per window. A source held in memory
// is its own window.
class ReadCursor {
  public:
    explicit ReadCursor(ByteSource& source, std::size_t windowSize = 64 * 1024);

    void seek(std::uint64_t position) { m_position = position; }

    // Fails with InputPastEndOfFile when the source ends first.
    std::uint8_t readByte() {
        if (outsideWindow() && !fillWindow()) failPastEnd();
        return m_windowBytes[m_position++ - m_windowStart];
    }
    void read(std::span<std::uint8_t> into) {
        if (!tryRead(into)) failPastEnd();
    }
    // False when the source ends first: for reading ahead, where the end is no failure yet.
    bool tryRead(std::span<std::uint8_t> into) {
        if (m_position >= m_windowStart &&
            m_position - m_windowStart + into.size() <= m_windowLength) {
            std::memcpy(into.data(), m_windowBytes + (m_position - m_windowStart), into.size());
            m_position += into.size();
            return true;
        }
        return readAcrossWindows(into);
    }

  private:
    bool outsideWindow() const {
        return m_position - m_windowStart >= m_windowLength || m_position < m_windowStart;
    }
    // False when the source has no byte at the position.
    bool fillWindow();
    bool readAcrossWindows(std::span<std::uint8_t> into);
    [[noreturn]] static void failPastEnd();

    ByteSource& m_source;
    std::unique_ptr<std::uint8_t[]> m_window;
    std::size_t m_windowSize;
    const std::uint8_t* m_windowBytes;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowLength = 0;
    std::uint64_t m_position = 0;
};

// Collects output and hands it to the sink in large writes. Text is built in place: reserve()
// gives room at the end, and only what commit() then marks is kept. The buffer starts small
// and grows to its capacity, so that a short run fills little memory.
class WriteBuffer {
  public:
    explicit WriteBuffer(ByteSink& sink, std::size_t capacity = 64 * 1024);

    char* reserve(std::size_t size) {
        if (m_used + size > m_capacity) makeRoom(size);
        return m_buffer.get() + m_used;
    }
    void commit(const char* end) { m_used = static_cast<std::size_t>(end - m_buffer.get()); }
    void append(std::string_view text);
    void flush();

  private:
    ByteSink& m_sink;
    void makeRoom(std::size_t size);
    void allocate(std::size_t capacity);

    std::size_t m_fullCapacity;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
};

}  // namespace quillet
