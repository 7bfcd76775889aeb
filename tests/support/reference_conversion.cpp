#include "tests/support/reference_conversion.h"

#include <array>
#include <optional>

#include "conversion/channel_table.h"
#include "conversion/csv_output.h"

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

// ChannelValue's texts, kept from log to log, since the fuzzer reads thousands of logs a second.
// For use by one thread at a time.
const std::string& valueText(std::uint8_t identifier, std::uint8_t raw) {
    static std::array<std::optional<std::string>, 256 * 256> texts;
    std::optional<std::string>& text = texts[identifier * 256 + raw];
    if (!text) text = ChannelValue(identifier, raw);
    return *text;
}

// "12:34" for 754 seconds.
std::string minutesAndSecondsText(int seconds) {
    const int inMinute = seconds % 60;
    return std::to_string(seconds / 60) + (inMinute < 10 ? ":0" : ":") + std::to_string(inMinute);
}

// ".05" for 5, ".42" for 42, ".150" for 150.
const std::string& hundredthsText(std::uint8_t hundredths) {
    static const std::array<std::string, 256> texts = [] {
        std::array<std::string, 256> made;
        for (int h = 0; h < 256; ++h) made[h] = (h < 10 ? ".0" : ".") + std::to_string(h);
        return made;
    }();
    return texts[hundredths];
}

}  // namespace

ReferenceOutcome referenceConversion(const std::vector<std::uint8_t>& log,
                                     const std::string& fileName) {
    ReferenceOutcome outcome;
    const Bytes bytes(log);
    std::size_t lineStart = 0;
    try {
        bytes.at(77);
        bool isLog = false;
        for (int at = 0; at < 32; ++at) isLog |= bytes.at(at) == 0;
        for (int at = 60; at < 68; ++at) isLog &= bytes.at(at) >= 0x20 && bytes.at(at) < 0x7F;
        if (!isLog) throw Stop{FailureNumber::PathFileAccessError};
        const std::uint64_t info = bytes.offset(52);
        bytes.at(info + 17);
        const int channels = bytes.at(info + 5) & 0x3F;
        if (channels > 12) throw Stop{FailureNumber::SubscriptOutOfRange};

        outcome.outputCreated = true;
        outcome.csv = fileName + "\r\nTime";
        for (int k = 0; k < channels; ++k) outcome.csv += "," + ChannelName(bytes.at(info + 6 + k));
        outcome.csv += "\r\n";
        lineStart = outcome.csv.size();

        bytes.at(78 + 7);
        const std::uint32_t records = bytes.word(76);
        for (std::uint32_t r = 1; r < records; ++r) {
            const std::uint64_t entry = 78 + 8 * std::uint64_t{r};
            bytes.at(entry + 7);
            std::uint64_t position = bytes.offset(entry);
            const int seconds = static_cast<int>(bytes.word(position));
            position += 2;
            const std::string minutesAndSeconds = minutesAndSecondsText(seconds);
            std::uint8_t hundredths = bytes.at(position++);
            do {
                // A line that cannot be read whole is taken back.
                lineStart = outcome.csv.size();
                outcome.csv += minutesAndSeconds;
                outcome.csv += hundredthsText(hundredths);
                for (int k = 0; k < channels; ++k) {
                    outcome.csv += ',';
                    outcome.csv += valueText(bytes.at(info + 6 + k), bytes.at(position++));
                }
                outcome.csv += "\r\n";
                lineStart = outcome.csv.size();
                hundredths = bytes.at(position++);
            } while (hundredths != 0xFF);
        }
    } catch (const Stop& stop) {
        outcome.csv.resize(lineStart);
        outcome.ending = stop.failure;
    }
    return outcome;
}

}  // namespace quillet::support
