#include "conversion/log_reading.h"

#include <algorithm>
#include <array>

namespace quillet {
namespace {

// Walks the record list and each record's data through two cursors, so that reading byte after
// byte costs one read of the source per window.
class RecordReader {
  public:
    // Reads entry 0 of the record list, whose record is never converted.
    RecordReader(ByteSource& source, int channelCount)
        : m_list(source), m_data(source), m_channelCount(static_cast<std::size_t>(channelCount)) {
        m_list.seek(LogHeader::kSize);
        RecordEntry first;
        m_list.read(first.bytes);
    }

    // Moves to the next record and returns its seconds value.
    int beginRecord() {
        const std::optional<int> seconds = nextRecordSeconds();
        if (!seconds) throw Failure(FailureNumber::InputPastEndOfFile);
        return *seconds;
    }

    // The same, or nothing where the log ends first: reading ahead, the end of a damaged log
    // is not yet a failure, and costs no exception.
    std::optional<int> nextRecordSeconds() {
        RecordEntry entry;
        if (!m_list.tryRead(entry.bytes)) return std::nullopt;
        m_data.seek(filePositionOf(entry.dataOffset()));
        std::array<std::uint8_t, 2> secondsBytes;
        if (!m_data.tryRead(secondsBytes)) return std::nullopt;
        return WordFromBytes(secondsBytes);
    }

    // Hands each sample of the record begun to every visitor, until the byte after a sample is
    // 0xFF. The first sample is always read, whatever its hundredths byte.
    void readSamples(std::span<SampleVisitor* const> visitors) {
        std::array<std::uint8_t, LogInfo::kMaxChannels> bytes;
        const std::span<std::uint8_t> raw(bytes.data(), m_channelCount);
        std::uint8_t hundredths = m_data.readByte();
        do {
            m_data.read(raw);
            for (SampleVisitor* visitor : visitors) visitor->sample(hundredths, raw);
            hundredths = m_data.readByte();
        } while (hundredths != 0xFF);
    }

  private:
    ReadCursor m_list;
    ReadCursor m_data;
    std::size_t m_channelCount;
};

}  // namespace

std::span<const std::uint8_t> LogStart::identifiers() const {
    return std::span(info.bytes).subspan(6, static_cast<std::size_t>(info.channelCount()));
}

LogStart readLogStart(ByteSource& source) {
    LogStart start;
    readBlock(source, 0, start.header.bytes);
    if (!isLogHeader(start.header.bytes)) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "The file holds no Palm database, as logs do");
    }
    readBlock(source, filePositionOf(start.header.appInfoOffset()), start.info.bytes);
    if (start.info.channelCount() > LogInfo::kMaxChannels) {
        throw Failure(FailureNumber::SubscriptOutOfRange);
    }
    return start;
}

std::optional<std::pair<int, int>> recordSecondsRange(ByteSource& source, const LogStart& start) {
    std::optional<std::pair<int, int>> range;
    try {
        RecordReader records(source, start.info.channelCount());
        for (int record = 1; record < start.header.recordCount(); ++record) {
            const std::optional<int> seconds = records.nextRecordSeconds();
            if (!seconds) break;
            if (!range) range.emplace(*seconds, *seconds);
            range->first = std::min(range->first, *seconds);
            range->second = std::max(range->second, *seconds);
        }
    } catch (const Failure&) {
        // The reading of the samples meets the same damage at this record or before, and
        // tells it.
    }
    return range;
}

std::optional<ReadingStop> readSamples(ByteSource& source, const LogStart& start,
                                       std::span<SampleVisitor* const> visitors,
                                       ReportingServices& services) {
    int record = 1;
    try {
        RecordReader records(source, start.info.channelCount());
        const int recordCount = start.header.recordCount();
        services.setProgressMin(1);
        services.setProgressMax(static_cast<float>(recordCount - 1));
        for (; record < recordCount; ++record) {
            services.setProgressValue(static_cast<float>(record));
            const int seconds = records.beginRecord();
            for (SampleVisitor* visitor : visitors) visitor->beginRecord(record, seconds);
            records.readSamples(visitors);
            for (SampleVisitor* visitor : visitors) visitor->endRecord();
        }
    } catch (...) {
        return ReadingStop{record, failureFromCurrentException()};
    }
    return std::nullopt;
}

}  // namespace quillet
