#include "tests/support/log_writer.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace quillet::support {

void putWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value >> 8);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value);
}

void putLong(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    putWord(bytes, at, static_cast<std::uint16_t>(value >> 16));
    putWord(bytes, at + 2, static_cast<std::uint16_t>(value));
}

std::uint32_t readLong(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes.at(at)} << 24 | std::uint32_t{bytes.at(at + 1)} << 16 |
           std::uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

std::vector<std::uint8_t> buildLog(const LogContents& contents) {
    const std::size_t recordCount = contents.records.size() + 1;
    std::vector<std::uint8_t> bytes(kRecordListStart + 8 * recordCount + 2, 0);

    for (std::size_t i = 0; i < contents.databaseName.size() && i < 31; ++i) {
        bytes[i] = static_cast<std::uint8_t>(contents.databaseName[i]);
    }
    const std::string typeAndCreator = "DATAQMRX";
    std::copy(typeAndCreator.begin(), typeAndCreator.end(), bytes.begin() + 60);
    putWord(bytes, kRecordCountField, static_cast<std::uint16_t>(recordCount));

    putLong(bytes, kAppInfoOffsetField, static_cast<std::uint32_t>(bytes.size()));
    std::vector<std::uint8_t> info(kInfoBlockSize, 0);
    info[5] =
        contents.channelCountByte.value_or(static_cast<std::uint8_t>(contents.channels.size()));
    for (std::size_t k = 0; k < contents.channels.size() && k < 12; ++k) {
        info[6 + k] = contents.channels[k];
    }
    bytes.insert(bytes.end(), info.begin(), info.end());

    auto startRecord = [&bytes](std::size_t record) {
        putLong(bytes, recordOffsetField(record), static_cast<std::uint32_t>(bytes.size()));
        bytes[recordOffsetField(record) + 4] = 0x40;
        bytes[recordOffsetField(record) + 7] = static_cast<std::uint8_t>(record);
    };
    startRecord(0);
    bytes.insert(bytes.end(), contents.firstRecord.begin(), contents.firstRecord.end());
    for (std::size_t r = 0; r < contents.records.size(); ++r) {
        const LogRecord& record = contents.records[r];
        startRecord(r + 1);
        bytes.push_back(static_cast<std::uint8_t>(record.seconds >> 8));
        bytes.push_back(static_cast<std::uint8_t>(record.seconds));
        for (const LogSample& sample : record.samples) {
            bytes.push_back(sample.hundredths);
            bytes.insert(bytes.end(), sample.channelBytes.begin(), sample.channelBytes.end());
        }
        bytes.push_back(0xFF);
    }
    return bytes;
}

std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

LogContents drivingLog(const std::vector<std::uint8_t>& channels, int records, int samplesPerRecord,
                       std::uint32_t seed) {
    LogContents contents;
    contents.channels = channels;
    std::vector<std::uint8_t> reading(channels.size());
    for (std::size_t k = 0; k < reading.size(); ++k) {
        reading[k] = static_cast<std::uint8_t>(40 + 17 * k);
    }
    std::uint32_t state = seed;
    auto nextRandom = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 24;
    };
    for (int r = 0; r < records; ++r) {
        LogRecord record{static_cast<std::uint16_t>(r), {}};
        for (int s = 0; s < samplesPerRecord; ++s) {
            for (std::uint8_t& value : reading) {
                value = static_cast<std::uint8_t>(value + static_cast<int>(nextRandom() % 7) - 3);
            }
            record.samples.push_back(
                {static_cast<std::uint8_t>(s * 100 / samplesPerRecord), reading});
        }
        contents.records.push_back(std::move(record));
    }
    return contents;
}

LogContents unsteadyClockLog() {
    LogContents contents;
    contents.databaseName = "UnsteadyClockQMRX";
    contents.channels = {33, 38, 34, 19, 58};
    const std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> records = {
        {0, {0, 50}},  {1, {0, 150}},  {2, {20, 60, 99}}, {65, {5}},
        {30, {0, 99}}, {31, {255, 7}}, {600, {7, 100}},   {601, {0, 120, 250}},
    };
    std::uint8_t raw = 0;
    for (const auto& [seconds, hundredths] : records) {
        LogRecord record{seconds, {}};
        for (const std::uint8_t hundredth : hundredths) {
            raw = static_cast<std::uint8_t>(raw + 37);
            record.samples.push_back(
                {hundredth,
                 {raw, static_cast<std::uint8_t>(255 - raw), static_cast<std::uint8_t>(raw / 2),
                  static_cast<std::uint8_t>(raw * 3), static_cast<std::uint8_t>(200 + raw % 30)}});
        }
        contents.records.push_back(record);
    }
    return contents;
}

LogContents everyByteLog(const std::vector<std::uint8_t>& channels) {
    constexpr int kSamplesPerRecord = 50;
    LogContents contents;
    contents.channels = channels;
    for (int raw = 0; raw < 256; ++raw) {
        if (raw % kSamplesPerRecord == 0) {
            contents.records.push_back(
                {static_cast<std::uint16_t>(65530 + raw / kSamplesPerRecord), {}});
        }
        contents.records.back().samples.push_back(
            {static_cast<std::uint8_t>(150 + 2 * (raw % kSamplesPerRecord)),
             std::vector<std::uint8_t>(channels.size(), static_cast<std::uint8_t>(raw))});
    }
    return contents;
}

LogContents correctionLog(int lateTenths) {
    constexpr int kTenthsPerCell = 20;
    constexpr std::uint8_t kRpm[] = {64, 96, 128, 160};
    constexpr std::uint8_t kTps[] = {51, 127, 204};
    // O2's raw bytes, as 2.63 V and so on, that give the corrections above.
    constexpr std::uint8_t kO2[3][4] = {{134, 120, 95, 77}, {63, 54, 42, 31}, {83, 65, 39, 13}};
    struct Reading {
        std::uint8_t rpm;
        std::uint8_t tps;
        std::uint8_t o2;
    };
    std::vector<Reading> engine;
    for (int row = 0; row < 3; ++row) {
        for (int step = 0; step < 4; ++step) {
            const int column = row % 2 == 0 ? step : 3 - step;
            engine.insert(engine.end(), kTenthsPerCell,
                          {kRpm[column], kTps[row], kO2[row][column]});
        }
    }
    LogContents contents;
    contents.channels = {33, 23, 19};
    for (std::size_t tenth = 0; tenth < engine.size(); ++tenth) {
        const std::size_t measured =
            tenth < static_cast<std::size_t>(lateTenths) ? 0 : tenth - lateTenths;
        if (tenth % 10 == 0)
            contents.records.push_back({static_cast<std::uint16_t>(tenth / 10), {}});
        contents.records.back().samples.push_back(
            {static_cast<std::uint8_t>(tenth % 10 * 10),
             {engine[tenth].rpm, engine[tenth].tps, engine[measured].o2}});
    }
    return contents;
}

std::vector<std::uint8_t> longRunningLog(int samplesPerRecord) {
    constexpr int kRecords = 65534;
    LogContents contents =
        drivingLog({33, 38, 6, 19, 26, 41, 44, 58, 23, 7, 20, 21}, 1, samplesPerRecord);
    contents.records.resize(kRecords, LogRecord{1, {{0, contents.channels}}});
    std::vector<std::uint8_t> bytes = buildLog(contents);
    const std::uint32_t recordOne = readLong(bytes, recordOffsetField(1));
    for (std::size_t record = 2; record <= kRecords; ++record) {
        putLong(bytes, recordOffsetField(record), recordOne);
    }
    return bytes;
}

}  // namespace quillet::support
