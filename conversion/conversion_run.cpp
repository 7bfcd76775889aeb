#include "conversion_run.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "channel_table.h"
#include "failure.h"
#include "log_layout.h"
#include "log_records.h"

#ifndef QUILLET_SUPPORT_ADDRESS
#error "QUILLET_SUPPORT_ADDRESS names where users report unexpected errors"
#endif

namespace quillet {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// ":05" or ":34" after the minutes; "." or ".0" before the hundredths.
std::string minutesAndSeconds(int seconds) {
    const int minutes = seconds / 60;
    const int secondsInMinute = seconds - 60 * minutes;
    return decimalDigits(minutes) + (secondsInMinute < 10 ? ":0" : ":") +
           decimalDigits(secondsInMinute);
}

std::string hundredthsText(std::uint8_t hundredths, char decimalMark) {
    return decimalMark + std::string(hundredths < 10 ? "0" : "") + decimalDigits(hundredths);
}

std::string withDecimalMark(std::string text, char decimalMark) {
    std::replace(text.begin(), text.end(), '.', decimalMark);
    return text;
}

std::string headingText(const std::string& fileName, const LogInfo& info, char separator) {
    std::string text(fileName);
    text += kLineEnd;
    text += "Time";
    for (int column = 0; column < info.channelCount(); ++column) {
        text += separator;
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

std::string valueText(std::uint8_t identifier, std::uint8_t raw, char decimalMark) {
    return withDecimalMark(ChannelValue(identifier, raw), decimalMark);
}

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

// One run: the files it holds open, and the steps from busy pointer to beep.
class ConversionRun {
  public:
    ConversionRun(LogInput& log, OutputTarget& output, ReportingServices& services,
                  const CsvProfile& profile)
        : m_log(log), m_output(output), m_services(services), m_profile(profile) {}

    ConversionOutcome run() {
        try {
            convert();
            m_services.setBusyPointer(false);
            m_services.setProgressValue(1);
            m_services.beep();
            return ConversionOutcome::Converted;
        } catch (const Failure& failure) {
            // Taken as it is: rethrowing it to turn it into itself would cost a second unwind.
            return fail(failure);
        } catch (...) {
            return fail(failureFromCurrentException());
        }
    }

  private:
    void convert() {
        m_services.setBusyPointer(true);
        m_input = m_log.open();
        const LogStart start = readLogStart(*m_input);
        const std::string heading = headingText(m_log.fileName(), start.info, m_profile.separator);
        SampleLineWriter lines(start.info, m_profile);

        m_sink = m_output.replace();
        m_out.emplace(*m_sink);
        m_out->append(heading);

        RecordReader records(*m_input, start.info);
        const int recordCount = start.header.recordCount();
        m_services.setProgressMin(1);
        m_services.setProgressMax(static_cast<float>(recordCount - 1));
        for (int record = 1; record < recordCount; ++record) {
            m_services.setProgressValue(static_cast<float>(record));
            lines.convertRecord(records, *m_out);
        }

        m_out->flush();
        std::exchange(m_sink, nullptr)->close();
        m_input.reset();
    }

    ConversionOutcome fail(const Failure& failure) {
        reportFailure(closeAfterFailure(failure));
        return ConversionOutcome::Failed;
    }

    // Keeps the lines written so far and closes both files. A failure to keep them is told
    // along with the failure that ended the run.
    Failure closeAfterFailure(const Failure& failure) {
        std::optional<Failure> closing;
        if (m_sink) {
            // The sink keeps only whole lines of what it could not write, so it is closed
            // even when the last lines could not be flushed.
            try {
                m_out->flush();
            } catch (...) {
                closing = failureFromCurrentException();
            }
            try {
                m_sink->close();
            } catch (...) {
                if (!closing) closing = failureFromCurrentException();
            }
            m_sink.reset();
        }
        m_input.reset();
        if (!closing || closing->number() == failure.number()) {
            return failure;
        }
        return Failure(failure.number(),
                       failure.description() +
                           "; the output could not be completed: " + closing->description());
    }

    void reportFailure(const Failure& failure) {
        m_services.showMessage(failureMessage(failure.number(), failure.description()),
                               failureIcon(failure.number()));
        m_services.setBusyPointer(false);
        m_services.setProgressValue(0);
    }

    LogInput& m_log;
    OutputTarget& m_output;
    ReportingServices& m_services;
    const CsvProfile& m_profile;
    std::unique_ptr<ByteSource> m_input;
    std::unique_ptr<ByteSink> m_sink;
    std::optional<WriteBuffer> m_out;
};

}  // namespace

std::string sampleTime(int seconds, std::uint8_t hundredths, char decimalMark) {
    return minutesAndSeconds(seconds) + hundredthsText(hundredths, decimalMark);
}

std::string failureMessage(FailureNumber number, const std::string& description) {
    if (number == FailureNumber::PathFileAccessError) {
        return "Bad Filename.  Please check the name and path of the files.";
    }
    return "Unexpected error # " + decimalDigits(static_cast<int>(number)) +
           " occurred: " + description + "\r\n" +
           "Please report this error to " QUILLET_SUPPORT_ADDRESS;
}

MessageIcon failureIcon(FailureNumber number) {
    return number == FailureNumber::PathFileAccessError ? MessageIcon::Exclamation
                                                        : MessageIcon::Critical;
}

ConversionOutcome convertLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                             const CsvProfile& profile) {
    return ConversionRun(log, output, services, profile).run();
}

ConversionOutcome convertLog(const std::string& inputPath, const std::string& outputPath,
                             ReportingServices& services, const CsvProfile& profile) {
    FileLogInput log(inputPath);
    FileOutputTarget output(outputPath, inputPath);
    return convertLog(log, output, services, profile);
}

}  // namespace quillet
