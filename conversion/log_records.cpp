#include "log_records.h"

#include "failure.h"

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

}  // namespace quillet
