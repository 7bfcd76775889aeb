#include "tests/support/expected_csv.h"

#include "conversion/channel_table.h"
#include "conversion/sample_time.h"

namespace quillet::support {

std::string expectedCsv(const LogContents& contents, const std::string& fileName) {
    std::string csv = fileName + "\r\nTime";
    for (std::uint8_t identifier : contents.channels) csv += "," + ChannelName(identifier);
    csv += "\r\n";
    for (const LogRecord& record : contents.records) {
        for (const LogSample& sample : record.samples) {
            csv += sampleTime(record.seconds, sample.hundredths);
            for (std::size_t k = 0; k < contents.channels.size(); ++k) {
                csv += "," + ChannelValue(contents.channels[k], sample.channelBytes.at(k));
            }
            csv += "\r\n";
        }
    }
    return csv;
}

}  // namespace quillet::support
