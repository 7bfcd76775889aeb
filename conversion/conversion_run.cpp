#include "conversion/conversion_run.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "conversion/channel_table.h"
#include "conversion/failure.h"
#include "conversion/log_layout.h"
#include "conversion/log_records.h"
#include "conversion/number_text.h"
#include "conversion/sample_time.h"
#include "conversion/utf8_text.h"

namespace quillet {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string headingText(const std::string& fileName, const LogInfo& info,
                        const CsvProfile& profile) {
    std::string text = firstLineText(fileName, profile.nameEncoding);
    text += kLineEnd;
    text += "Time";
    for (int column = 0; column < info.channelCount(); ++column) {
        text += profile.separator;
        text += ChannelName(info.channelIdentifier(column));
    }
    text += kLineEnd;
    return text;
}

// A short text kept in a fixed block, so that it is copied by one fixed-size move. A text
// made by default is not yet known.
class CellText {
  public:
    static constexpr std::size_t kRoom = 8;

    CellText() = default;
    explicit CellText(std::string_view text) : m_size(static_cast<std::uint8_t>(text.size())) {
        if (text.size() > kRoom) throw Failure(FailureNumber::InternalError);
        std::copy(text.begin(), text.end(), m_bytes.begin());
    }
    bool known() const { return m_size != kUnknown; }
    // Writes the text at `at`, which must have kRoom bytes to spare, and returns its end.
    char* appendAt(char* at) const {
        std::memcpy(at, m_bytes.data(), kRoom);
        return at + m_size;
    }

  private:
    static constexpr std::uint8_t kUnknown = 0xFF;
    std::array<char, kRoom> m_bytes{};
    std::uint8_t m_size = kUnknown;
};

// The texts of one kind of cell by byte, in the profile's decimals, each made the first time
// its byte comes, so that a line is built from lookups alone and a short log makes only the
// texts it shows.
template <std::string (*makeText)(std::uint8_t identifier, std::uint8_t raw, char decimalMark)>
class CellTexts {
  public:
    CellTexts(std::uint8_t identifier, char decimalMark)
        : m_identifier(identifier), m_decimalMark(decimalMark) {}
    const CellText& operator[](std::uint8_t raw) {
        CellText& text = m_texts[raw];
        if (!text.known()) text = CellText(makeText(m_identifier, raw, m_decimalMark));
        return text;
    }

  private:
    std::uint8_t m_identifier;
    char m_decimalMark;
    std::array<CellText, 256> m_texts;
};

std::string hundredthsCell(std::uint8_t, std::uint8_t hundredths, char decimalMark) {
    return hundredthsText(hundredths, decimalMark);
}

// Writes the lines of one record after another.
class SampleLineWriter {
  public:
    SampleLineWriter(const LogInfo& info, const CsvProfile& profile)
        : m_separator(profile.separator), m_hundredths(0, profile.decimalMark) {
        for (int column = 0; column < info.channelCount(); ++column) {
            const std::uint8_t identifier = info.channelIdentifier(column);
            m_columns.push_back(
                &m_textsByIdentifier.try_emplace(identifier, identifier, profile.decimalMark)
                     .first->second);
        }
        m_longestLine = 2 * CellText::kRoom + m_columns.size() * (1 + CellText::kRoom) + 2;
    }

    // Reads one record and writes one line per sample. A line reaches the output only once
    // all its bytes were read.
    void convertRecord(RecordReader& records, WriteBuffer& out) {
        const CellText time(minutesAndSeconds(records.beginRecord()));
        const char separator = m_separator;
        records.forEachSample([&](std::uint8_t hundredths) {
            char* at = out.reserve(m_longestLine);
            at = time.appendAt(at);
            at = m_hundredths[hundredths].appendAt(at);
            for (ValueTexts* texts : m_columns) {
                *at++ = separator;
                at = (*texts)[records.channelByte()].appendAt(at);
            }
            *at++ = '\r';
            *at++ = '\n';
            out.commit(at);
        });
    }

  private:
    using ValueTexts = CellTexts<valueText>;
    char m_separator;
    std::map<std::uint8_t, ValueTexts> m_textsByIdentifier;
    std::vector<ValueTexts*> m_columns;
    CellTexts<hundredthsCell> m_hundredths;
    std::size_t m_longestLine;
};

// Remembers whether the output refused a write, which makes a failure the output's own.
class WatchedSink : public ByteSink {
  public:
    explicit WatchedSink(std::unique_ptr<ByteSink> sink) : m_sink(std::move(sink)) {}

    void write(std::span<const char> bytes) override {
        watch([&] { m_sink->write(bytes); });
    }
    void close() override {
        watch([&] { m_sink->close(); });
    }
    bool failed() const { return m_failed; }

  private:
    template <typename Call>
    void watch(Call&& call) {
        try {
            call();
        } catch (...) {
            m_failed = true;
            throw;
        }
    }

    std::unique_ptr<ByteSink> m_sink;
    bool m_failed = false;
};

// Called while the log's failure is being handled: the lines written before it become the
// output, for users to recover what the log held. When they cannot be written either, the
// output keeps what it held before, and the failure tells both.
void keepLinesBeforeFailure(WriteBuffer& out, WatchedSink& sink) {
    const Failure logFailure = failureFromCurrentException();
    try {
        out.flush();
        sink.close();
    } catch (...) {
        throw withOutputFailure(logFailure, failureFromCurrentException());
    }
}

void convertRecords(LogInput& log, OutputTarget& output, ReportingServices& services,
                    const CsvProfile& profile) {
    ByteSource& input = log.source();
    const LogStart start = readLogStart(input);
    const std::string heading = headingText(log.fileName(), start.info, profile);
    SampleLineWriter lines(start.info, profile);

    WatchedSink sink(output.replace());
    WriteBuffer out(sink);
    try {
        out.append(heading);
        RecordReader records(input, start.info);
        const int recordCount = start.header.recordCount();
        services.setProgressMin(1);
        services.setProgressMax(static_cast<float>(recordCount - 1));
        for (int record = 1; record < recordCount; ++record) {
            services.setProgressValue(static_cast<float>(record));
            lines.convertRecord(records, out);
        }
        out.flush();
    } catch (...) {
        // A sink that failed is dropped unclosed, leaving the output as it was.
        if (!sink.failed()) keepLinesBeforeFailure(out, sink);
        throw;
    }
    sink.close();
}

}  // namespace

std::string valueText(std::uint8_t identifier, std::uint8_t raw, char decimalMark) {
    return withDecimalMark(ChannelValue(identifier, raw), decimalMark);
}

std::string firstLineText(std::string_view fileName, NameEncoding encoding) {
    std::string text =
        encoding == NameEncoding::Latin1 ? latin1FromUtf8(fileName) : std::string(fileName);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

ConversionOutcome convertLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                             const CsvProfile& profile) {
    return runReported(services, [&] { convertRecords(log, output, services, profile); });
}

}  // namespace quillet
