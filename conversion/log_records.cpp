#include "conversion/log_records.h"

#include "conversion/failure.h"

namespace quillet {

LogStart readLogStart(ByteSource& source) {
    LogStart start;
    readBlock(source, 0, start.header.bytes);
    readBlock(source, filePositionOf(start.header.appInfoOffset()), start.info.bytes);
    return start;
}

RecordReader::RecordReader(ByteSource& source, const LogInfo& info)
    : m_list(source), m_data(source), m_channelCount(info.channelCount()) {
    if (m_channelCount > LogInfo::kMaxChannels) {
        throw Failure(FailureNumber::SubscriptOutOfRange);
    }
    m_list.seek(LogHeader::kSize);
    RecordEntry first;
    m_list.read(first.bytes);
}

void readEveryRecord(ByteSource& source) {
    const LogStart start = readLogStart(source);
    RecordReader records(source, start.info);
    std::array<std::uint8_t, LogInfo::kMaxChannels> bytes{};
    const std::span<std::uint8_t> raw(bytes.data(),
                                      static_cast<std::size_t>(records.channelCount()));
    for (int record = 1; record < start.header.recordCount(); ++record) {
        records.beginRecord();
        records.forEachSample([&](std::uint8_t) { records.channelBytes(raw); });
    }
}

}  // namespace quillet
