#pragma once

#include <array>
#include <cstdint>

#include "byte_io.h"
#include "log_layout.h"

// Reading a log's samples in file order, for every use that walks its records: the
// conversion, the summary, and whatever else needs the raw readings.
namespace quillet {

// The two blocks every reading of a log starts from.
struct LogStart {
    LogHeader header;
    LogInfo info;
};

// Reads the header at offset 0 and the info block at the offset the header gives.
LogStart readLogStart(ByteSource& source);

// One sample: its hundredths byte and one raw byte per channel, in column order.
struct RawSample {
    std::uint8_t hundredths = 0;
    std::array<std::uint8_t, LogInfo::kMaxChannels> channelBytes{};
};

// Walks records 1 and on. Every byte is read only when it is needed, so a log that ends early
// fails exactly where the reading reaches its end, after every complete sample before it.
class RecordReader {
  public:
    // Reads entry 0 of the record list, whose record is never converted. A channel count
    // above twelve fails with SubscriptOutOfRange, as reading its thirteenth column does.
    RecordReader(ByteSource& source, const LogInfo& info);

    int channelCount() const { return m_channelCount; }

    // Moves to the next record and returns its seconds value.
    int beginRecord() {
        RecordEntry entry;
        m_list.read(entry.bytes);
        m_data.seek(filePositionOf(entry.dataOffset()));
        std::array<std::uint8_t, 2> secondsBytes;
        m_data.read(secondsBytes);
        m_hundredths = m_data.readByte();
        m_sampleGiven = false;
        return WordFromBytes(secondsBytes);
    }

    // Reads the record's next sample; false once the byte after a sample is 0xFF. The first
    // sample of a record is always read, whatever its hundredths byte.
    bool nextSample(RawSample& sample) {
        if (m_sampleGiven) {
            m_hundredths = m_data.readByte();
            if (m_hundredths == 0xFF) {
                return false;
            }
        }
        for (int column = 0; column < m_channelCount; ++column) {
            sample.channelBytes[column] = m_data.readByte();
        }
        sample.hundredths = m_hundredths;
        m_sampleGiven = true;
        return true;
    }

  private:
    ReadCursor m_list;
    ReadCursor m_data;
    int m_channelCount;
    std::uint8_t m_hundredths = 0;
    bool m_sampleGiven = false;
};

}  // namespace quillet
