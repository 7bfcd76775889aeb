#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Writes logger databases for tests, samples, benchmarks and fuzz seeds, laid out as the
// handheld lays them out: header, record list, two bytes of gap, info block, record data.
namespace quillet::support {

struct LogSample {
    std::uint8_t hundredths;
    std::vector<std::uint8_t> channelBytes;
};

struct LogRecord {
    std::uint16_t seconds;
    std::vector<LogSample> samples;
};

struct LogContents {
    std::string databaseName = "TestQMRX";
    std::vector<std::uint8_t> channels;
    // The info block's count byte, when it should say other than the number of channels.
    std::optional<std::uint8_t> channelCountByte;
    // Record 0, which the conversion skips.
    std::vector<std::uint8_t> firstRecord = {0x01, 0x02, 0x03, 0x04};
    // Records 1 and on.
    std::vector<LogRecord> records;
};

inline constexpr std::size_t kAppInfoOffsetField = 52;
inline constexpr std::size_t kRecordCountField = 76;
inline constexpr std::size_t kRecordListStart = 78;
inline constexpr std::size_t kInfoBlockSize = 18;

std::vector<std::uint8_t> buildLog(const LogContents& contents);

// Where entry `record` of the record list keeps its data offset.
constexpr std::size_t recordOffsetField(std::size_t record) {
    return kRecordListStart + 8 * record;
}

std::uint32_t readLong(const std::vector<std::uint8_t>& bytes, std::size_t at);
void putLong(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void putWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value);

// A path as the UTF-8 text the conversion takes paths in, on every platform.
std::string utf8Text(const std::filesystem::path& path);

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::string readFile(const std::filesystem::path& path);

// A log like a real run of the logger: `channels` columns, `records` records of
// `samplesPerRecord` samples each, with readings that drift as an engine's would.
LogContents drivingLog(const std::vector<std::uint8_t>& channels, int records, int samplesPerRecord,
                       std::uint32_t seed = 1);

// A log whose clock misbehaves in every way the logger's can: hundredths bytes of 100 and more
// (0xFF too, as a record's first), time that goes back and jumps ahead by minutes; with RPM,
// Knock, O2, Air Temp and a channel the table does not know (identifier 34).
LogContents unsteadyClockLog();

// A log that holds every raw byte in each of its columns: sample k of 256 holds byte k in
// every column, fifty samples a record, at the latest times the logger's clock can give
// (65,530 s to 65,535.248 s).
LogContents everyByteLog(const std::vector<std::uint8_t>& channels);

// A drive through twelve cells of RPM (2000 to 5000 across) and TPS (20, 50 and 80 down), two
// seconds in each at ten samples a second, row by row and each row back the other way, with O2
// read `lateTenths` tenths of a second after the engine (the first cell's reading before that).
// The wideband ratio [O2] * 2 + 10 against a target of 14 at 20 % TPS and 12 above
// (12 + 2 * ([TPS] < 35)) wants these corrections of fuel, in per cent:
//   TPS 20:  +9.0  +5.0  -2.0  -7.0
//   TPS 50:  +4.0  +1.0  -3.0  -6.5
//   TPS 80: +10.5  +4.5  -4.0 -12.5
LogContents correctionLog(int lateTenths);

// A log of 65,535 records that all point to the data of record 1, which holds
// `samplesPerRecord` samples of twelve channels: small on disk, but long to convert.
std::vector<std::uint8_t> longRunningLog(int samplesPerRecord);

}  // namespace quillet::support
