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

std::string headingText(std::string_view inputPath, const LogInfo& info, char separator) {
    std::string text(inputFileName(inputPath));
    text += kLineEnd;
    text += "Time";
    for (int column = 0; column < info.channelCount(); ++column) {
        text += separator;
        text += ChannelName(info.channelIdentifier(column));
    }
    text += kLineEnd;
    return text;
}

// A short text kept in a fixed block, so that it is copied by one fixed-size move.
class CellText {
  public:
    static constexpr std::size_t kRoom = 8;

    CellText() = default;
    explicit CellText(std::string_view text) : m_size(static_cast<std::uint8_t>(text.size())) {
        if (text.size() > kRoom) throw Failure(FailureNumber::InternalError);
        std::copy(text.begin(), text.end(), m_bytes.begin());
    }
    // Writes the text at `at`, which must have kRoom bytes to spare, and returns its end.
    char* appendAt(char* at) const {
        std::memcpy(at, m_bytes.data(), kRoom);
        return at + m_size;
    }

  private:
    std::array<char, kRoom> m_bytes{};
    std::uint8_t m_size = 0;
};

// Writes the lines of one record after another. Every cell text is computed once per
// identifier and byte before the first record, in the profile's decimals, so a line is built
// from lookups alone.
class SampleLineWriter {
  public:
    SampleLineWriter(const LogInfo& info, const CsvProfile& profile)
        : m_separator(profile.separator) {
        for (int column = 0; column < info.channelCount(); ++column) {
            const std::uint8_t identifier = info.channelIdentifier(column);
            auto [texts, added] = m_textsByIdentifier.try_emplace(identifier);
            if (added) {
                for (int raw = 0; raw < 256; ++raw) {
                    texts->second[raw] = CellText(
                        withDecimalMark(ChannelValue(identifier, static_cast<std::uint8_t>(raw)),
                                        profile.decimalMark));
                }
            }
            m_columns.push_back(&texts->second);
        }
        for (int hundredths = 0; hundredths < 256; ++hundredths) {
            m_hundredths[hundredths] = CellText(
                hundredthsText(static_cast<std::uint8_t>(hundredths), profile.decimalMark));
        }
        m_longestLine = 2 * CellText::kRoom + m_columns.size() * (1 + CellText::kRoom) + 2;
    }

    // Reads one record and writes one line per sample. A line reaches the output only once
    // all its bytes were read.
    void convertRecord(RecordReader& records, WriteBuffer& out) const {
        const CellText time(minutesAndSeconds(records.beginRecord()));
        const char separator = m_separator;
        records.forEachSample([&](std::uint8_t hundredths) {
            char* at = out.reserve(m_longestLine);
            at = time.appendAt(at);
            at = m_hundredths[hundredths].appendAt(at);
            for (const ColumnTexts* texts : m_columns) {
                *at++ = separator;
                at = (*texts)[records.channelByte()].appendAt(at);
            }
            *at++ = '\r';
            *at++ = '\n';
            out.commit(at);
        });
    }

  private:
    using ColumnTexts = std::array<CellText, 256>;
    char m_separator;
    std::map<std::uint8_t, ColumnTexts> m_textsByIdentifier;
    std::vector<const ColumnTexts*> m_columns;
    std::array<CellText, 256> m_hundredths;
    std::size_t m_longestLine;
};

// One run: the files it holds open, and the steps from busy pointer to beep.
class ConversionRun {
  public:
    ConversionRun(const std::string& inputPath, OutputTarget& output, ReportingServices& services,
                  const CsvProfile& profile)
        : m_inputPath(inputPath), m_output(output), m_services(services), m_profile(profile) {}

    ConversionOutcome run() {
        try {
            convert();
            m_services.setBusyPointer(false);
            m_services.setProgressValue(1);
            m_services.beep();
            return ConversionOutcome::Converted;
        } catch (...) {
            reportFailure(closeAfterFailure(failureFromCurrentException()));
            return ConversionOutcome::Failed;
        }
    }

  private:
    void convert() {
        m_services.setBusyPointer(true);
        m_input = openInputFile(m_inputPath);
        const LogStart start = readLogStart(*m_input);
        const std::string heading = headingText(m_inputPath, start.info, m_profile.separator);
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

    // Keeps the lines written so far and closes both files. A failure to keep them is told
    // along with the failure that ended the run.
    Failure closeAfterFailure(const Failure& failure) {
        std::optional<Failure> closing;
        if (m_sink) {
            try {
                m_out->flush();
                m_sink->close();
            } catch (...) {
                closing = failureFromCurrentException();
            }
            m_sink.reset();
        }
        m_input.reset();
        if (!closing || closing->number() == failure.number()) {
            return failure;
        }
        return Failure(static_cast<FailureNumber>(failure.number()),
                       failure.description() +
                           "; the output could not be completed: " + closing->description());
    }

    void reportFailure(const Failure& failure) {
        m_services.showMessage(failureMessage(failure.number(), failure.description()),
                               failureIcon(failure.number()));
        m_services.setBusyPointer(false);
        m_services.setProgressValue(0);
    }

    const std::string& m_inputPath;
    OutputTarget& m_output;
    ReportingServices& m_services;
    const CsvProfile& m_profile;
    std::unique_ptr<ByteSource> m_input;
    std::unique_ptr<ByteSink> m_sink;
    std::optional<WriteBuffer> m_out;
};

}  // namespace

std::string_view inputFileName(std::string_view inputPath) {
    const std::size_t separator = inputPath.find_last_of("\\/");
    return separator == std::string_view::npos ? inputPath : inputPath.substr(separator + 1);
}

std::string sampleTime(int seconds, std::uint8_t hundredths, char decimalMark) {
    return minutesAndSeconds(seconds) + hundredthsText(hundredths, decimalMark);
}

std::string failureMessage(int number, const std::string& description) {
    if (number == static_cast<int>(FailureNumber::PathFileAccessError)) {
        return "Bad Filename.  Please check the name and path of the files.";
    }
    return "Unexpected error # " + decimalDigits(number) + " occurred: " + description + "\r\n" +
           "Please report this error to " QUILLET_SUPPORT_ADDRESS;
}

MessageIcon failureIcon(int number) {
    return number == static_cast<int>(FailureNumber::PathFileAccessError) ? MessageIcon::Exclamation
                                                                          : MessageIcon::Critical;
}

ConversionOutcome convertLog(const std::string& inputPath, OutputTarget& output,
                             ReportingServices& services, const CsvProfile& profile) {
    return ConversionRun(inputPath, output, services, profile).run();
}

ConversionOutcome convertLog(const std::string& inputPath, const std::string& outputPath,
                             ReportingServices& services, const CsvProfile& profile) {
    FileOutputTarget output(outputPath, inputPath);
    return convertLog(inputPath, output, services, profile);
}

}  // namespace quillet
