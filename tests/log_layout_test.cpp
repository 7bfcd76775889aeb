#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>

#include "conversion/failure.h"
#include "conversion/log_layout.h"

namespace quillet {
namespace {

std::optional<FailureNumber> failureOf(auto&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.number();
    }
    return std::nullopt;
}

TEST(WordFromBytes, ReadsBigEndian) {
    const std::array<std::uint8_t, 2> two{0x00, 0x02}, twoFiftySix{0x01, 0x00}, top{0xFF, 0xFF};
    EXPECT_EQ(WordFromBytes(two), 2);
    EXPECT_EQ(WordFromBytes(twoFiftySix), 256);
    EXPECT_EQ(WordFromBytes(top), 65535);
}

struct LongCase {
    std::array<std::uint8_t, 4> bytes;
    std::int32_t value;
};

void PrintTo(const LongCase& c, std::ostream* out) { *out << c.value; }

class LongFromBytesTest : public ::testing::TestWithParam<LongCase> {};

TEST_P(LongFromBytesTest, ReadsBigEndian) {
    EXPECT_EQ(LongFromBytes(GetParam().bytes), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, LongFromBytesTest,
                         ::testing::Values(LongCase{{0x00, 0x00, 0x01, 0x2C}, 300},
                                           LongCase{{0x00, 0x00, 0x00, 0x00}, 0},
                                           LongCase{{0x01, 0x02, 0x03, 0x04}, 0x01020304},
                                           LongCase{{0x7F, 0xFF, 0xFF, 0xFF}, 0x7FFFFFFF}));

TEST(LongFromBytes, OverflowsAtTwoToTheThirtyFirst) {
    for (const std::array<std::uint8_t, 4> bytes :
         {std::array<std::uint8_t, 4>{0x80, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}}) {
        EXPECT_EQ(failureOf([&] { LongFromBytes(bytes); }), FailureNumber::Overflow);
    }
}

TEST(FilePositionOf, RefusesTheLargestOffset) {
    EXPECT_EQ(filePositionOf(0x7FFFFFFE), 0x7FFFFFFEu);
    EXPECT_EQ(failureOf([] { filePositionOf(0x7FFFFFFF); }), FailureNumber::Overflow);
}

TEST(LogHeader, ReadsInfoOffsetAndRecordCount) {
    LogHeader header;
    header.bytes[52] = 0x00;
    header.bytes[53] = 0x01;
    header.bytes[54] = 0x02;
    header.bytes[55] = 0x03;
    header.bytes[76] = 0xFF;
    header.bytes[77] = 0xFE;
    EXPECT_EQ(header.appInfoOffset(), 0x010203);
    EXPECT_EQ(header.recordCount(), 65534);
}

TEST(RecordEntry, ReadsTheDataOffsetOnly) {
    RecordEntry entry;
    entry.bytes = {0x00, 0x00, 0x01, 0x2C, 0x40, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(entry.dataOffset(), 300);
}

struct CountCase {
    std::uint8_t countByte;
    int channels;
};

void PrintTo(const CountCase& c, std::ostream* out) { *out << "count byte " << int{c.countByte}; }

class ChannelCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(ChannelCountTest, IgnoresTheTopTwoBits) {
    LogInfo info;
    info.bytes[5] = GetParam().countByte;
    EXPECT_EQ(info.channelCount(), GetParam().channels);
}

INSTANTIATE_TEST_SUITE_P(CountBytes, ChannelCountTest,
                         ::testing::Values(CountCase{0x00, 0}, CountCase{0x0C, 12},
                                           CountCase{0x0D, 13}, CountCase{0xC3, 3},
                                           CountCase{0x3F, 63}, CountCase{0xCC, 12},
                                           CountCase{0xFF, 63}));

TEST(LogInfo, HoldsTwelveIdentifiers) {
    LogInfo info;
    for (int k = 0; k < 12; ++k) info.bytes[6 + k] = static_cast<std::uint8_t>(100 + k);
    EXPECT_EQ(info.channelIdentifier(0), 100);
    EXPECT_EQ(info.channelIdentifier(11), 111);
    EXPECT_EQ(failureOf([&] { info.channelIdentifier(12); }), FailureNumber::SubscriptOutOfRange);
}

}  // namespace
}  // namespace quillet
