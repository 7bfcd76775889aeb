#pragma once

#include <array>
#include <cstdint>
#include <span>

// The parts of a logger database (Palm OS .pdb) that the conversion reads.
// Every multi-byte number in the file is big-endian.
namespace quillet {

// b[0] * 256 | b[1]: 0 to 65535.
std::int32_t WordFromBytes(std::span<const std::uint8_t, 2> b);

// b[0] * 16777216 | b[1] * 65536 | b[2] * 256 | b[3]. Values of 2^31 and above do not fit a
// signed 32-bit result and fail with Overflow.
std::int32_t LongFromBytes(std::span<const std::uint8_t, 4> b);

// The database header at offset 0; the record list follows it directly.
struct LogHeader {
    static constexpr std::uint64_t kSize = 78;
    std::array<std::uint8_t, kSize> bytes{};

    std::int32_t appInfoOffset() const;
    std::int32_t recordCount() const;
};

// One entry of the record list.
struct RecordEntry {
    static constexpr std::uint64_t kSize = 8;
    std::array<std::uint8_t, kSize> bytes{};

    std::int32_t dataOffset() const;
};

// The application-info block: the log's columns.
struct LogInfo {
    static constexpr std::uint64_t kSize = 18;
    static constexpr int kMaxChannels = 12;
    std::array<std::uint8_t, kSize> bytes{};

    // The low 6 bits of the count byte; the top two bits carry no count.
    int channelCount() const;
    // Fails with SubscriptOutOfRange for a column of 12 or more.
    std::uint8_t channelIdentifier(int column) const;
};

// Whether the first bytes of a file are a Palm OS database header, as every log's are: a name
// ended by a NUL within its 32 bytes, and a type and a creator of four printable characters
// each. What a log is, for every rule: the conversion reads only such a file, and no output
// replaces one, also one that is damaged past its header. A text file (a CSV, a picture, a page)
// or an MLG file never passes.
bool isLogHeader(std::span<const std::uint8_t> firstBytes);

// A file position for an offset read from the log. An offset of 2^31 - 1 or more has no
// position that the classic file access can address, so it fails with Overflow.
std::uint64_t filePositionOf(std::int32_t offset);

}  // namespace quillet
