#pragma once

#include <array>
#include <cstdint>

#include "conversion/byte_io.h"
#include "conversion/log_layout.h"

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

// Reads every sample of the log as its conversion would, writing nothing: fails where the
// conversion would fail, and returns otherwise, at the speed of the disk.
void readEveryRecord(ByteSource& source);

// Walks records 1 and on, sample by sample and byte by byte, so that a log that ends early
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
        return WordFromBytes(secondsBytes);
    }

    // Calls onSample(hundredths) for each sample of the record begun, until the byte after a
    // sample is 0xFF; onSample reads the sample's channelCount() bytes through channelByte().
    // The first sample is always read, whatever its hundredths byte.
    template <typename OnSample>
    void forEachSample(OnSample&& onSample) {
        std::uint8_t hundredths = m_data.readByte();
        do {
            onSample(hundredths);
            hundredths = m_data.readByte();
        } while (hundredths != 0xFF);
    }

    // The raw byte of the sample's next channel, in column order.
    std::uint8_t channelByte() { return m_data.readByte(); }
    // The raw bytes of the sample's channels, as many as into holds.
    void channelBytes(std::span<std::uint8_t> into) { m_data.read(into); }

  private:
    ReadCursor m_list;
    ReadCursor m_data;
    int m_channelCount;
};

}  // namespace quillet
