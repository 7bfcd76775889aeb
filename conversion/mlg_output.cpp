#include "conversion/mlg_output.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "conversion/channel_table.h"
#include "conversion/failure.h"
#include "conversion/number_text.h"
#include "conversion/sample_time.h"
#include "conversion/utf8_text.h"
#include "generated/quillet_version.h"

// What the readers of version 1 rely on, every number big-endian:
//   header, 22 bytes   "MLVLG" and a NUL; the format's version (2 bytes: 1); the capture time
//                      (4, Unix seconds, 0 for none); the information block's offset (2); the
//                      first data record's offset (4); the bytes of one record's values (2);
//                      the number of fields (2)
//   a field, 55 bytes  its type (1: 0 U08, 1 S08, 2 U16, 3 S16, 4 U32); its name (34) and its
//                      unit (10), each padded with NULs; its display style (1: 0, a number);
//                      its scale and its transform (4 each, IEEE single precision); its digits
//                      (1, signed)
//   information block  a text ended by a NUL, which the first data record follows
//   a data record      its block type (1: 0, values); a counter that wraps at 256 (1); a time
//                      stamp in units of 10 µs that wraps at 65536 (2); each field's stored
//                      number in field order; a checksum (1), the sum of those numbers' bytes
//                      modulo 256
// A reader's value of a field is (stored + transform) × scale, shown with the field's digits;
// the time axis is the field "Time", since the stamps wrap within a second.
namespace quillet {
namespace {

constexpr std::string_view kSignature{"MLVLG\0", 6};
constexpr int kFormatVersion = 1;
constexpr std::size_t kHeaderSize = 22;
constexpr std::size_t kFieldSize = 55;
constexpr std::size_t kNameSize = 34;
constexpr std::size_t kUnitSize = 10;
// The block type, counter and stamp before a record's numbers.
constexpr std::size_t kRecordStart = 4;
constexpr std::size_t kTimeSize = 4;

// The time is stored in units of 2^-15 s, a scale that single precision holds exactly: every
// reader's product is then the stored time itself, within 2^-16 s of the row's and so rounding
// to its milliseconds, where 0.001, which no float holds, would be 3 ms off at 65,535 s. The
// latest time a log can give, 65,535.254 s, stays below 2^32 units.
constexpr long long kTimeUnitsPerSecond = 1 << 15;

// The types of number a field can store, by the format's codes.
enum class FieldType : std::uint8_t { U08 = 0, S08 = 1, U16 = 2, S16 = 3, U32 = 4 };

struct TypeRange {
    FieldType type;
    std::int32_t lowest;
    std::int32_t highest;
};

constexpr TypeRange kChannelTypes[] = {
    {FieldType::U08, 0, 255},
    {FieldType::S08, -128, 127},
    {FieldType::U16, 0, 65535},
    {FieldType::S16, -32768, 32767},
};

// How a channel's column is stored: each raw byte's cell as a whole number of the field's type,
// which a reader multiplies by the scale and shows with the field's digits.
struct ChannelField {
    FieldType type;
    float scale;
    int digits;
    std::array<std::int32_t, 256> stored;
};

// A channel's field: each cell's number counted in units of its last decimal (0 for an empty
// cell, and for every cell of a channel the table does not hold), in the smallest type that
// holds all 256 of them.
ChannelField channelField(std::uint8_t identifier) {
    ChannelField field{FieldType::U08, 1.0f, channelDecimals(identifier), {}};
    double unitsPerNumber = 1;
    for (int decimal = 0; decimal < field.digits; ++decimal) unitsPerNumber *= 10;
    field.scale = static_cast<float>(1 / unitsPerNumber);
    if (const std::array<double, 256>* numbers = channelNumbers(identifier)) {
        std::transform(numbers->begin(), numbers->end(), field.stored.begin(),
                       [unitsPerNumber](double number) {
                           return static_cast<std::int32_t>(std::lround(number * unitsPerNumber));
                       });
    }
    const auto extremes = std::minmax_element(field.stored.begin(), field.stored.end());
    const auto fitting = std::find_if(
        std::begin(kChannelTypes), std::end(kChannelTypes), [&](const TypeRange& range) {
            return range.lowest <= *extremes.first && *extremes.second <= range.highest;
        });
    if (fitting == std::end(kChannelTypes)) throw Failure(FailureNumber::InternalError);
    field.type = fitting->type;
    return field;
}

std::size_t widthOf(FieldType type) {
    return type == FieldType::U08 || type == FieldType::S08 ? 1 : 2;
}

void appendNumber(std::string& bytes, std::uint64_t number, std::size_t size) {
    for (std::size_t shift = 8 * size; shift > 0; shift -= 8) {
        bytes += static_cast<char>(number >> (shift - 8));
    }
}

void appendPadded(std::string& bytes, std::string_view text, std::size_t size) {
    const std::string_view kept = text.substr(0, size);
    bytes += kept;
    bytes.append(size - kept.size(), '\0');
}

void appendField(std::string& bytes, FieldType type, std::string_view name, std::string_view unit,
                 float scale, int digits) {
    bytes += static_cast<char>(type);
    appendPadded(bytes, name, kNameSize);
    appendPadded(bytes, unit, kUnitSize);
    bytes += '\0';
    appendNumber(bytes, std::bit_cast<std::uint32_t>(scale), 4);
    appendNumber(bytes, std::bit_cast<std::uint32_t>(0.0f), 4);
    bytes += static_cast<char>(digits);
}

std::vector<std::uint8_t> identifiersOf(const LogInfo& info) {
    std::vector<std::uint8_t> identifiers;
    for (int column = 0; column < info.channelCount(); ++column) {
        identifiers.push_back(info.channelIdentifier(column));
    }
    return identifiers;
}

// The columns' names: a reader finds a field by its name, so a channel the table does not hold
// is "channel N" rather than nameless, and a name met before gets its count, "Knock (2)".
std::vector<std::string> fieldNames(const std::vector<std::uint8_t>& identifiers) {
    std::vector<std::string> names;
    for (const std::uint8_t identifier : identifiers) {
        const std::string label = channelLabel(identifier);
        const auto count =
            std::count(identifiers.begin(), identifiers.begin() + names.size(), identifier);
        names.push_back(count == 0 ? label : label + " (" + decimalDigits(count + 1) + ")");
    }
    return names;
}

std::string headerBytes(const std::string& fileName, const std::vector<std::uint8_t>& identifiers,
                        std::size_t valuesSize) {
    const std::string information =
        "Log: " + displayName(fileName) + "\nConverted by Quillet " + std::string(kVersion);
    const std::size_t informationStart = kHeaderSize + kFieldSize * (identifiers.size() + 1);
    std::string bytes(kSignature);
    appendNumber(bytes, kFormatVersion, 2);
    // The log's dates are the handheld's local time, which no Unix time holds faithfully.
    appendNumber(bytes, 0, 4);
    appendNumber(bytes, informationStart, 2);
    appendNumber(bytes, informationStart + information.size() + 1, 4);
    appendNumber(bytes, valuesSize, 2);
    appendNumber(bytes, identifiers.size() + 1, 2);
    appendField(bytes, FieldType::U32, "Time", "s", 1.0f / kTimeUnitsPerSecond, 3);
    const std::vector<std::string> names = fieldNames(identifiers);
    for (std::size_t column = 0; column < identifiers.size(); ++column) {
        const ChannelField field = channelField(identifiers[column]);
        appendField(bytes, field.type, names[column], channelUnit(identifiers[column]), field.scale,
                    field.digits);
    }
    bytes += information;
    bytes += '\0';
    return bytes;
}

// A column's stored number for each raw byte, as the bytes a record holds (the second unused
// in a field of one byte), and their sum.
struct ColumnBytes {
    explicit ColumnBytes(std::uint8_t identifier) {
        const ChannelField field = channelField(identifier);
        width = widthOf(field.type);
        for (std::size_t raw = 0; raw < bytes.size(); ++raw) {
            const auto stored = static_cast<std::uint16_t>(field.stored[raw]);
            const auto high = static_cast<std::uint8_t>(stored >> 8);
            const auto low = static_cast<std::uint8_t>(stored);
            bytes[raw] = width == 2 ? std::array{static_cast<char>(high), static_cast<char>(low)}
                                    : std::array{static_cast<char>(low), '\0'};
            sums[raw] = static_cast<std::uint8_t>(width == 2 ? high + low : low);
        }
    }

    std::size_t width;
    std::array<std::array<char, 2>, 256> bytes{};
    std::array<std::uint8_t, 256> sums{};
};

}  // namespace

// The columns' bytes, the record being read, and where the records go.
struct MlgOutput::Records {
    explicit Records(const std::vector<std::uint8_t>& identifiers)
        : columns(identifiers.begin(), identifiers.end()) {
        for (const ColumnBytes& column : columns) valuesSize += column.width;
    }

    std::vector<ColumnBytes> columns;
    std::size_t valuesSize = kTimeSize;
    int seconds = 0;
    std::uint8_t counter = 0;
    WriteBuffer* out = nullptr;
};

MlgOutput::MlgOutput(const std::string& fileName, const LogStart& start) {
    const std::vector<std::uint8_t> identifiers = identifiersOf(start.info);
    m_records = std::make_unique<Records>(identifiers);
    m_header = headerBytes(fileName, identifiers, m_records->valuesSize);
}

MlgOutput::~MlgOutput() = default;

void MlgOutput::begin(WriteBuffer& out) {
    m_records->out = &out;
    out.append(m_header);
}

void MlgOutput::beginRecord(int, int seconds) { m_records->seconds = seconds; }

void MlgOutput::sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) {
    Records& records = *m_records;
    const long long milliseconds = SampleClock{records.seconds, hundredths}.milliseconds();
    const auto time = static_cast<std::uint32_t>((milliseconds * kTimeUnitsPerSecond + 500) / 1000);
    const auto stamp = static_cast<std::uint16_t>(milliseconds * 100);
    // The record with its checksum, and a byte to spare that a one-byte column's copy of two
    // bytes may reach.
    char* at = records.out->reserve(kRecordStart + records.valuesSize + 2);
    *at++ = 0;
    *at++ = static_cast<char>(records.counter++);
    *at++ = static_cast<char>(stamp >> 8);
    *at++ = static_cast<char>(stamp);
    unsigned sum = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(time >> shift);
        *at++ = static_cast<char>(byte);
        sum += byte;
    }
    for (std::size_t column = 0; column < records.columns.size(); ++column) {
        const ColumnBytes& bytes = records.columns[column];
        std::memcpy(at, bytes.bytes[raw[column]].data(), 2);
        at += bytes.width;
        sum += bytes.sums[raw[column]];
    }
    *at++ = static_cast<char>(sum);
    records.out->commit(at);
}

std::unique_ptr<LogOutput> makeMlgOutput(const LogToWrite& log) {
    return std::make_unique<MlgOutput>(log.fileName, log.start);
}

}  // namespace quillet
