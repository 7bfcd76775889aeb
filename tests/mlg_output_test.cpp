// The MLG writer on logs held in memory: its header, fields and records byte for byte. The
// values of every raw byte of every channel are mlg_reader_test's, read by another program.
#include <gtest/gtest.h>

#include <bit>
#include <optional>
#include <string>
#include <vector>

#include "conversion/mlg_output.h"
#include "generated/quillet_version.h"
#include "tests/support/log_writer.h"
#include "tests/support/memory_io.h"

namespace quillet {
namespace {

using support::LogContents;
using support::LogRecord;

std::string bigEndian(std::uint64_t number, std::size_t size) {
    std::string bytes;
    for (std::size_t shift = 8 * size; shift > 0; shift -= 8) {
        bytes += static_cast<char>(number >> (shift - 8));
    }
    return bytes;
}

// Bytes from pairs of hex digits; spaces between them are for reading.
std::string hexBytes(const std::string& hex) {
    std::string bytes;
    for (std::size_t at = 0; at < hex.size(); ++at) {
        if (hex[at] == ' ') continue;
        bytes += static_cast<char>(std::stoi(hex.substr(at++, 2), nullptr, 16));
    }
    return bytes;
}

std::string hexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes) {
        hex += kDigits[static_cast<std::uint8_t>(byte) >> 4];
        hex += kDigits[static_cast<std::uint8_t>(byte) & 15];
    }
    return hex;
}

struct Field {
    int type;
    std::string name;
    std::string unit;
    float scale;
    int digits;
};

// A field as readers take it: type, name and unit padded with NULs, display style 0 (a number),
// scale, transform 0, digits.
std::string fieldBytes(const Field& field) {
    return static_cast<char>(field.type) + field.name + std::string(34 - field.name.size(), '\0') +
           field.unit + std::string(10 - field.unit.size(), '\0') + '\0' +
           bigEndian(std::bit_cast<std::uint32_t>(field.scale), 4) + bigEndian(0, 4) +
           static_cast<char>(field.digits);
}

// The MLG of RunQMRX.pdb: the header, the field of the time and then `fields`, the information
// block, and the records.
std::string mlgFile(const std::vector<Field>& fields, const std::vector<std::string>& records) {
    const std::string information =
        "Log: RunQMRX.pdb\nConverted by Quillet " + std::string(kVersion) + '\0';
    std::string fieldBytesAll = fieldBytes({4, "Time", "s", 1.0f / 32768, 3});
    for (const Field& field : fields) fieldBytesAll += fieldBytes(field);
    std::string recordBytes;
    for (const std::string& record : records) recordBytes += hexBytes(record);
    const std::size_t informationStart = 22 + fieldBytesAll.size();
    const std::size_t valuesSize = hexBytes(records.front()).size() - 5;
    return std::string("MLVLG\0", 6) + bigEndian(1, 2) + bigEndian(0, 4) +
           bigEndian(informationStart, 2) + bigEndian(informationStart + information.size(), 4) +
           bigEndian(valuesSize, 2) + bigEndian(fields.size() + 1, 2) + fieldBytesAll +
           information + recordBytes;
}

struct MlgCase {
    std::string name;
    LogContents log;
    std::vector<Field> fields;
    // Each record: block type and counter, stamp, time, the channels' numbers, checksum.
    std::vector<std::string> records;
    // Bytes cut off the log's end, and the failure that then ends the job.
    std::size_t cut = 0;
    std::optional<FailureNumber> ending = std::nullopt;
};

void PrintTo(const MlgCase& c, std::ostream* out) { *out << c.name; }

class MlgFileTest : public ::testing::TestWithParam<MlgCase> {};

TEST_P(MlgFileTest, HoldsTheHeaderFieldsAndRecords) {
    const MlgCase& c = GetParam();
    std::vector<std::uint8_t> bytes = support::buildLog(c.log);
    bytes.resize(bytes.size() - c.cut);
    const MlgInMemory written = mlgInMemory(bytes, "RunQMRX.pdb");
    EXPECT_EQ(written.ending, c.ending);
    EXPECT_EQ(hexOf(written.bytes), hexOf(mlgFile(c.fields, c.records)));
}

LogContents logOf(std::vector<std::uint8_t> channels, std::vector<LogRecord> records) {
    LogContents log;
    log.channels = std::move(channels);
    log.records = std::move(records);
    return log;
}

INSTANTIATE_TEST_SUITE_P(
    Logs, MlgFileTest,
    ::testing::Values(
        // 61.150 s is 2003763.2 units of 2^-15 s; -8 is stored in two's complement.
        MlgCase{"KnownChannels",
                logOf({33, 58, 19, 20}, {{61, {{0, {2, 208, 255, 14}}, {150, {255, 219, 0, 86}}}}}),
                {{2, "RPM", "rpm", 1, 0},
                 {3, "Air Temp", "", 1, 0},
                 {2, "O2", "V", 0.01f, 2},
                 {2, "Battery", "V", 0.01f, 2}},
                {"0000 1420 001e8000 003e 0000 01f4 0067 38",
                 "0001 4eb8 001e9333 1f21 fff8 0000 0276 93"}},
        MlgCase{"UnknownAndRepeatedChannels",
                logOf({34, 38, 38, 0, 34}, {{5, {{7, {9, 1, 2, 3, 4}}}}}),
                {{0, "channel 34", "", 1, 0},
                 {0, "Knock", "", 1, 0},
                 {0, "Knock (2)", "", 1, 0},
                 {0, "channel 0", "", 1, 0},
                 {0, "channel 34 (2)", "", 1, 0}},
                {"0000 bc78 000288f6 00 01 02 00 00 83"}},
        // 1.255 s, read as the CSV reads "0:01.255", comes after 3.99 s as in the CSV.
        MlgCase{"NoChannelsAndAClockGoingBack",
                logOf({}, {{3, {{99, {}}}}, {1, {{255, {}}}}}),
                {},
                {"0000 1698 0001feb8 b7", "0001 ea3c 0000a0a4 44"}},
        MlgCase{"DamagedLogGivesTheRecordsBeforeTheDamage",
                logOf({38}, {{1, {{0, {5}}}}, {2, {{0, {6}}, {50, {7}}}}}),
                {{0, "Knock", "", 1, 0}},
                {"0000 86a0 00008000 05 85", "0001 0d40 00010000 06 07"},
                2,
                FailureNumber::InputPastEndOfFile}),
    [](const auto& info) { return info.param.name; });

TEST(MlgFileTest, TheRecordCounterWrapsAt256) {
    LogContents log = logOf({38}, {{0, {}}});
    for (int sample = 0; sample < 300; ++sample) {
        log.records[0].samples.push_back({static_cast<std::uint8_t>(sample % 100), {1}});
    }
    const MlgInMemory written = mlgInMemory(support::buildLog(log), "RunQMRX.pdb");
    ASSERT_EQ(written.ending, std::nullopt);
    // Records of ten bytes end the file: the counter is their second byte.
    const std::size_t firstRecord = written.bytes.size() - 300 * 10;
    for (const int record : {0, 255, 256, 299}) {
        EXPECT_EQ(static_cast<std::uint8_t>(written.bytes[firstRecord + 10 * record + 1]),
                  record % 256);
    }
}

}  // namespace
}  // namespace quillet
