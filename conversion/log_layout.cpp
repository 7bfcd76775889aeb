#include "conversion/log_layout.h"

#include <algorithm>
#include <limits>

#include "conversion/failure.h"

namespace quillet {

std::int32_t WordFromBytes(std::span<const std::uint8_t, 2> b) {
    return (std::int32_t{b[0]} << 8) | b[1];
}

std::int32_t LongFromBytes(std::span<const std::uint8_t, 4> b) {
    if (b[0] >= 0x80) {
        throw Failure(FailureNumber::Overflow);
    }
    return (std::int32_t{b[0]} << 24) | (std::int32_t{b[1]} << 16) | (std::int32_t{b[2]} << 8) |
           b[3];
}

std::int32_t LogHeader::appInfoOffset() const {
    return LongFromBytes(std::span(bytes).subspan<52, 4>());
}

std::int32_t LogHeader::recordCount() const {
    return WordFromBytes(std::span(bytes).subspan<76, 2>());
}

std::int32_t RecordEntry::dataOffset() const { return LongFromBytes(std::span(bytes).first<4>()); }

int LogInfo::channelCount() const { return bytes[5] & 0x3F; }

std::uint8_t LogInfo::channelIdentifier(int column) const {
    if (column < 0 || column >= kMaxChannels) {
        throw Failure(FailureNumber::SubscriptOutOfRange);
    }
    return bytes[6 + column];
}

bool isLogHeader(std::span<const std::uint8_t> firstBytes) {
    if (firstBytes.size() < LogHeader::kSize) return false;
    const auto name = firstBytes.first(32);
    const auto printable = [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; };
    const auto typeAndCreator = firstBytes.subspan(60, 8);
    return std::find(name.begin(), name.end(), 0) != name.end() &&
           std::all_of(typeAndCreator.begin(), typeAndCreator.end(), printable);
}

std::uint64_t filePositionOf(std::int32_t offset) {
    if (offset == std::numeric_limits<std::int32_t>::max()) {
        throw Failure(FailureNumber::Overflow);
    }
    return static_cast<std::uint64_t>(offset);
}

}  // namespace quillet
