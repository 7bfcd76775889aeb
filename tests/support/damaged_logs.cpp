#include "tests/support/damaged_logs.h"

#include <algorithm>
#include <utility>

#include "tests/support/log_writer.h"
#include "tests/support/reference_conversion.h"

namespace quillet::support {
namespace {

const std::string kHeading = kDamagedLogName + "\r\nTime,Knock,ISC\r\n";
const std::string kRecord1 = "0:01.00, 1, 2\r\n";
const std::string kRecord2 = "0:02.00, 3, 4\r\n0:02.50, 5, 6\r\n";

LogContents twoRecords() {
    LogContents log;
    log.databaseName = "DamagedQMRX";
    log.channels = {38, 22};
    log.records = {LogRecord{1, {{0, {1, 2}}}}, LogRecord{2, {{0, {3, 4}}, {50, {5, 6}}}}};
    return log;
}

std::size_t infoOffset(const std::vector<std::uint8_t>& bytes) {
    return readLong(bytes, kAppInfoOffsetField);
}

template <typename Damage>
std::vector<std::uint8_t> damaged(Damage damage, LogContents log = twoRecords()) {
    std::vector<std::uint8_t> bytes = buildLog(log);
    damage(bytes);
    return bytes;
}

std::vector<std::uint8_t> withCountByte(std::uint8_t countByte) {
    return damaged([countByte](auto& b) { b[infoOffset(b) + 5] = countByte; });
}

}  // namespace

std::vector<DamagedLog> damagedLogs() {
    std::vector<DamagedLog> logs = {
        {"EmptyFile", {}, FailureNumber::InputPastEndOfFile, std::nullopt},
        {"HeaderCutShort", damaged([](auto& b) { b.resize(77); }),
         FailureNumber::InputPastEndOfFile, std::nullopt},
        // Headers that no Palm database has, which no log is read from.
        {"NameWithoutItsEnd", damaged([](auto& b) { std::fill_n(b.begin(), 32, 'N'); }),
         FailureNumber::PathFileAccessError, std::nullopt},
        {"TypeNotPrintable", damaged([](auto& b) { b[60] = 0; }),
         FailureNumber::PathFileAccessError, std::nullopt},
        {"InfoOffsetPastEnd", damaged([](auto& b) { putLong(b, kAppInfoOffsetField, 5000); }),
         FailureNumber::InputPastEndOfFile, std::nullopt},
        {"InfoOffsetAtTwoToThe31Less1",
         damaged([](auto& b) { putLong(b, kAppInfoOffsetField, 0x7FFFFFFF); }),
         FailureNumber::Overflow, std::nullopt},
        {"InfoOffsetAtTwoToThe32Less1",
         damaged([](auto& b) { putLong(b, kAppInfoOffsetField, 0xFFFFFFFF); }),
         FailureNumber::Overflow, std::nullopt},
        {"InfoBlockCutShort", damaged([](auto& b) { b.resize(infoOffset(b) + 10); }),
         FailureNumber::InputPastEndOfFile, std::nullopt},
        {"CountByte0D", withCountByte(0x0D), FailureNumber::SubscriptOutOfRange, std::nullopt},
        {"CountByte3F", withCountByte(0x3F), FailureNumber::SubscriptOutOfRange, std::nullopt},
        {"RecordOffsetPastEnd", damaged([](auto& b) { putLong(b, recordOffsetField(2), 9000); }),
         FailureNumber::InputPastEndOfFile, kHeading + kRecord1},
        {"RecordOffsetAtTwoToThe31Less1",
         damaged([](auto& b) { putLong(b, recordOffsetField(2), 0x7FFFFFFF); }),
         FailureNumber::Overflow, kHeading + kRecord1},
        {"RecordOffsetAtTwoToThe32Less1",
         damaged([](auto& b) { putLong(b, recordOffsetField(1), 0xFFFFFFFF); }),
         FailureNumber::Overflow, kHeading},
        {"TwoRecordsAtOneOffset", damaged([](auto& b) {
             putLong(b, recordOffsetField(2), readLong(b, recordOffsetField(1)));
         }),
         kConverted, kHeading + kRecord1 + kRecord1},
        {"OffsetsInFallingOrder", damaged([](auto& b) {
             const std::uint32_t first = readLong(b, recordOffsetField(1));
             putLong(b, recordOffsetField(1), readLong(b, recordOffsetField(2)));
             putLong(b, recordOffsetField(2), first);
         }),
         kConverted, kHeading + kRecord2 + kRecord1},
        {"RecordReachesTheEndWithoutFF", damaged([](auto& b) { b.pop_back(); }),
         FailureNumber::InputPastEndOfFile, kHeading + kRecord1 + kRecord2},
        {"RecordEndsInsideASample", damaged([](auto& b) { b.resize(b.size() - 2); }),
         FailureNumber::InputPastEndOfFile, kHeading + kRecord1 + "0:02.00, 3, 4\r\n"},
        {"RecordCountBeyondTheList", damaged([](auto& b) { putWord(b, kRecordCountField, 40); }),
         FailureNumber::InputPastEndOfFile, std::nullopt, true},
        {"RecordOffsetIntoTheHeader",
         damaged([](auto& b) { putLong(b, recordOffsetField(2), 60); }), kConverted, std::nullopt,
         true},
    };

    LogContents firstHundredthsFF = twoRecords();
    firstHundredthsFF.records = {LogRecord{1, {{0xFF, {7, 8}}, {4, {9, 10}}}}};
    logs.push_back({"FirstHundredthsByteFF", buildLog(firstHundredthsFF), kConverted,
                    kHeading + "0:01.255, 7, 8\r\n0:01.04, 9, 10\r\n"});

    LogContents recordZeroWithSamples = twoRecords();
    recordZeroWithSamples.firstRecord = {0x00, 0x09, 0x00, 0x0B, 0x0C, 0xFF};
    logs.push_back({"RecordZeroWithSamples", buildLog(recordZeroWithSamples), kConverted,
                    kHeading + kRecord1 + kRecord2});

    LogContents topBitsSet = twoRecords();
    topBitsSet.channelCountByte = 0xC2;
    logs.push_back(
        {"CountByteC2", buildLog(topBitsSet), kConverted, kHeading + kRecord1 + kRecord2});

    LogContents threeChannels = twoRecords();
    threeChannels.channels = {38, 22, 44};
    threeChannels.channelCountByte = 0xC3;
    threeChannels.records = {LogRecord{3, {{7, {1, 2, 3}}}}};
    logs.push_back({"CountByteC3", buildLog(threeChannels), kConverted,
                    kDamagedLogName + "\r\nTime,Knock,ISC,Air Volume\r\n0:03.07, 1, 2, 3\r\n"});

    LogContents twelveChannels = twoRecords();
    twelveChannels.channels = {38, 22, 44, 38, 22, 44, 38, 22, 44, 38, 22, 44};
    twelveChannels.channelCountByte = 0xCC;
    twelveChannels.records = {LogRecord{4, {{0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}}}};
    logs.push_back(
        {"CountByteCC", buildLog(twelveChannels), kConverted,
         kDamagedLogName +
             "\r\nTime,Knock,ISC,Air Volume,Knock,ISC,Air Volume,Knock,ISC,Air Volume,"
             "Knock,ISC,Air Volume\r\n0:04.00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12\r\n"});
    return logs;
}

}  // namespace quillet::support
