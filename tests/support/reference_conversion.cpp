#include "reference_conversion.h"

#include "channel_table.h"
#include "conversion_run.h"

namespace quillet::support {
namespace {

struct Stop {
    FailureNumber failure;
};

class Bytes {
  public:
    explicit Bytes(const std::vector<std::uint8_t>& log) : m_log(log) {}

    std::uint8_t at(std::uint64_t position) const {
        if (position >= m_log.size()) throw Stop{FailureNumber::InputPastEndOfFile};
        return m_log[position];
    }
    std::uint32_t word(std::uint64_t position) const {
        return at(position) << 8 | at(position + 1);
    }
    // An offset that a file position can be made of.
    std::uint64_t offset(std::uint64_t position) const {
        const std::uint64_t value = std::uint64_t{word(position)} << 16 | word(position + 2);
        if (value >= 0x7FFFFFFF) throw Stop{FailureNumber::Overflow};
        return value;
    }

  private:
    const std::vector<std::uint8_t>& m_log;
};

}  // namespace

ReferenceOutcome referenceConversion(const std::vector<std::uint8_t>& log,
                                     const std::string& fileName) {
    ReferenceOutcome outcome;
    const Bytes bytes(log);
    try {
        bytes.at(77);
        const std::uint64_t info = bytes.offset(52);
        bytes.at(info + 17);
        const int channels = bytes.at(info + 5) & 0x3F;
        if (channels > 12) throw Stop{FailureNumber::SubscriptOutOfRange};

        outcome.outputCreated = true;
        outcome.csv = fileName + "\r\nTime";
        for (int k = 0; k < channels; ++k) outcome.csv += "," + ChannelName(bytes.at(info + 6 + k));
        outcome.csv += "\r\n";

        bytes.at(78 + 7);
        const std::uint32_t records = bytes.word(76);
        for (std::uint32_t r = 1; r < records; ++r) {
            const std::uint64_t entry = 78 + 8 * std::uint64_t{r};
            bytes.at(entry + 7);
            std::uint64_t position = bytes.offset(entry);
            const int seconds = static_cast<int>(bytes.word(position));
            position += 2;
            std::uint8_t hundredths = bytes.at(position++);
            do {
                std::string line = sampleTime(seconds, hundredths);
                for (int k = 0; k < channels; ++k) {
                    line += "," + ChannelValue(bytes.at(info + 6 + k), bytes.at(position++));
                }
                outcome.csv += line + "\r\n";
                hundredths = bytes.at(position++);
            } while (hundredths != 0xFF);
        }
    } catch (const Stop& stop) {
        outcome.ending = stop.failure;
    }
    return outcome;
}

}  // namespace quillet::support
