#include "page/html_page.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "conversion/cell_text.h"
#include "conversion/channel_table.h"
#include "conversion/failure.h"
#include "conversion/log_summary.h"
#include "conversion/number_text.h"
#include "conversion/sample_time.h"
#include "conversion/utf8_text.h"
#include "markup/markup_text.h"
#include "page/page_assets.h"

namespace quillet {
namespace {

constexpr std::string_view kSlotStart = "<!--slot:";
constexpr std::string_view kSlotEnd = "-->";
// The first line of a setup file, as the page writes it.
constexpr std::string_view kSetupHeading = "Quillet page setup";
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A JSON string in which "<" and ">" are escapes too, so that no text can end the script
// element that holds the data.
std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (code < 0x20 || c == '<' || c == '>' || c == '&') {
            constexpr char kHex[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += kHex[code >> 4];
            quoted += kHex[code & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// The shortest digits that read back as the same number, whatever the locale.
std::string jsonNumber(double number) {
    std::array<char, 32> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    return std::string(digits.data(), written.ptr);
}

// The built-in file a slot holds as it is.
std::string_view assetOfSlot(std::string_view name) {
    const std::pair<std::string_view, std::string_view> assets[] = {
        {"page-style", page_assets::kPageStyle},
        {"page-script", page_assets::kPageScript},
        {"chart-style", page_assets::kChartStyle},
        {"chart-script", page_assets::kChartScript},
        {"chart-licence", page_assets::kChartLicence},
        {"chart-version", page_assets::kChartVersion}};
    for (const auto& [slot, asset] : assets) {
        if (slot == name) return asset;
    }
    throw Failure(FailureNumber::InternalError);
}

template <typename Word>
std::vector<std::uint8_t> littleEndianBytes(const std::vector<Word>& words) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(words.size() * sizeof(Word));
    for (const Word word : words) {
        for (std::size_t shift = 0; shift < 8 * sizeof(Word); shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
        }
    }
    return bytes;
}

// The page's title: the one log's name, or the reference's compared with the others'.
std::string pageTitle(std::span<const PageRun> runs) {
    std::string title = displayName(runs.front().title);
    for (std::size_t run = 1; run < runs.size(); ++run) {
        title += (run == 1 ? " compared with " : ", ") + displayName(runs[run].title);
    }
    return title;
}

// The page's data, as its script reads it: the profile's marks, and each run's samples, summary
// and notes, every text in the CSV's decimals.
class PageDataWriter {
  public:
    PageDataWriter(std::span<const PageRun> runs, const PageSettings& settings, WriteBuffer& out)
        : m_runs(runs),
          m_setup(settings.setup),
          m_mark(settings.profile.decimalMark),
          m_separator(settings.profile.separator),
          m_out(out) {}

    void write() {
        m_out.append("{\"decimalMark\":" + jsonString(std::string(1, m_mark)) +
                     ",\"separator\":" + jsonString(std::string(1, m_separator)) +
                     ",\"quietSpell\":" + decimalDigits(kLongestQuietSpell / 10) + ",\"setup\":" +
                     (m_setup.empty() ? "null" : jsonString(m_setup)) + ",\"runs\":[");
        for (std::size_t run = 0; run < m_runs.size(); ++run) {
            if (run > 0) m_out.append(",");
            writeRun(m_runs[run]);
        }
        m_out.append("]}");
    }

  private:
    static std::string pair(const std::string& first, const std::string& second) {
        return "[" + jsonString(first) + "," + jsonString(second) + "]";
    }

    void writeRun(const PageRun& run) {
        const LogSummary& summary = run.summary;
        m_out.append("{\"name\":" + jsonString(displayName(run.title)) +
                     ",\"stopped\":" + (run.stop ? "true" : "false") + ",\"summary\":[" +
                     pair("Records", decimalDigits(summary.records)) + "," +
                     pair("Samples", decimalDigits(summary.span.samples)) + "," +
                     pair("Time", timeSpanText(summary.span, m_mark)) + "," +
                     pair("Median rate", summary.medianSampleRate
                                             ? sampleRateText(*summary.medianSampleRate, m_mark)
                                             : "-") +
                     "],\"notes\":[");
        std::string notes;
        if (run.stop) notes += note("stop", stopText(run));
        for (const TimeJump& jump : summary.timeJumps) {
            notes += (notes.empty() ? "" : ",") + note("warning", timeJumpText(jump, m_mark));
        }
        m_out.append(notes + "],\"ranges\":[");
        for (std::size_t channel = 0; channel < summary.channels.size(); ++channel) {
            const ChannelRange& range = summary.channels[channel];
            m_out.append(std::string(channel == 0 ? "" : ",") + "[" +
                         jsonString(channelLabel(range.identifier)) + "," +
                         jsonString(rangeValueText(range.smallest, range.identifier, m_mark)) +
                         "," + jsonString(rangeValueText(range.largest, range.identifier, m_mark)) +
                         "]");
        }
        m_out.append("],\"channels\":[");
        for (std::size_t column = 0; column < run.samples.identifiers().size(); ++column) {
            if (column > 0) m_out.append(",");
            writeChannel(run.samples, column);
        }
        m_out.append("],\"recordSeconds\":\"");
        appendBase64(littleEndianBytes(run.samples.recordSeconds()), m_out);
        m_out.append("\",\"recordSamples\":\"");
        appendBase64(littleEndianBytes(run.samples.recordSamples()), m_out);
        m_out.append("\",\"hundredths\":\"");
        appendBase64(run.samples.columns(), run.samples.hundredthsColumn(), m_out);
        m_out.append("\"}");
    }

    static std::string note(const char* kind, const std::string& text) {
        return "{\"kind\":\"" + std::string(kind) + "\",\"text\":" + jsonString(text) + "}";
    }

    static std::string stopText(const PageRun& run) {
        const Failure& failure = run.stop->failure;
        const long long samples = run.summary.span.samples;
        const std::string shown =
            samples == 0   ? "No sample could be read before it."
            : samples == 1 ? "Only the one sample before it is shown."
                           : "Only the " + decimalDigits(samples) + " samples before it are shown.";
        return "Reading stopped at record " + decimalDigits(run.stop->record) + " of " +
               decimalDigits(run.recordCount - 1) + ": error # " +
               decimalDigits(static_cast<int>(failure.number())) + ", " + failure.description() +
               ". " + shown;
    }

    void writeChannel(const LogSamples& samples, std::size_t column) {
        const std::uint8_t identifier = samples.identifiers()[column];
        std::string numbers;
        std::string texts;
        for (int raw = 0; raw < 256; ++raw) {
            const auto byte = static_cast<std::uint8_t>(raw);
            const std::optional<double> number = channelNumber(identifier, byte);
            numbers += (raw == 0 ? "" : ",") + (number ? jsonNumber(*number) : "null");
            texts += (raw == 0 ? "" : ",") + jsonString(valueText(identifier, byte, m_mark));
        }
        m_out.append("{\"heading\":" + jsonString(channelLabel(identifier)) +
                     ",\"decimals\":" + decimalDigits(channelDecimals(identifier)) +
                     ",\"numbers\":[" + numbers + "],\"texts\":[" + texts + "],\"bytes\":\"");
        appendBase64(samples.columns(), column, m_out);
        m_out.append("\"}");
    }

    std::span<const PageRun> m_runs;
    const std::string& m_setup;
    char m_mark;
    char m_separator;
    WriteBuffer& m_out;
};

// Writes the skeleton with its slots filled: the title, the data, and the built-in files.
void writeSkeleton(std::span<const PageRun> runs, const PageSettings& settings, WriteBuffer& out) {
    std::string_view rest = page_assets::kSkeleton;
    for (std::size_t slot = rest.find(kSlotStart); slot != std::string_view::npos;
         slot = rest.find(kSlotStart)) {
        out.append(rest.substr(0, slot));
        rest.remove_prefix(slot + kSlotStart.size());
        const std::size_t nameEnd = rest.find(kSlotEnd);
        if (nameEnd == std::string_view::npos) throw Failure(FailureNumber::InternalError);
        const std::string_view name = rest.substr(0, nameEnd);
        if (name == "title") {
            out.append(xmlText(pageTitle(runs)));
        } else if (name == "data") {
            PageDataWriter(runs, settings, out).write();
        } else {
            out.append(assetOfSlot(name));
        }
        rest.remove_prefix(nameEnd + kSlotEnd.size());
    }
    out.append(rest);
}

// The two base64 digits of every 12 bits, so that three bytes take two lookups.
const std::array<std::array<char, 2>, 4096>& base64DigitPairs() {
    static const auto pairs = [] {
        std::array<std::array<char, 2>, 4096> made{};
        for (std::size_t bits = 0; bits < made.size(); ++bits) {
            made[bits] = {kBase64Digits[bits >> 6], kBase64Digits[bits & 0x3F]};
        }
        return made;
    }();
    return pairs;
}

}  // namespace

void appendBase64(std::span<const std::uint8_t> bytes, WriteBuffer& out) {
    const auto& pairs = base64DigitPairs();
    // Whole groups of three bytes per piece, so that padding only ever ends the last.
    constexpr std::size_t kPiece = 3 * 4096;
    while (!bytes.empty()) {
        const std::span<const std::uint8_t> piece = bytes.first(std::min(bytes.size(), kPiece));
        char* at = out.reserve((piece.size() + 2) / 3 * 4);
        std::size_t i = 0;
        for (; i + 3 <= piece.size(); i += 3) {
            const std::uint32_t group = piece[i] << 16 | piece[i + 1] << 8 | piece[i + 2];
            std::memcpy(at, pairs[group >> 12].data(), 2);
            std::memcpy(at + 2, pairs[group & 0xFFF].data(), 2);
            at += 4;
        }
        if (i < piece.size()) {
            const bool two = i + 1 < piece.size();
            const std::uint32_t group = piece[i] << 16 | (two ? piece[i + 1] << 8 : 0);
            *at++ = kBase64Digits[group >> 18];
            *at++ = kBase64Digits[(group >> 12) & 0x3F];
            *at++ = two ? kBase64Digits[(group >> 6) & 0x3F] : '=';
            *at++ = '=';
        }
        out.commit(at);
        bytes = bytes.subspan(piece.size());
    }
}

void appendBase64(const SampleColumns& columns, std::size_t column, WriteBuffer& out) {
    columns.forEachRun(column, [&](std::span<const std::uint8_t> run) { appendBase64(run, out); });
}

void writeHtmlPage(std::span<const PageRun> runs, const PageSettings& settings, WriteBuffer& out) {
    if (runs.empty()) throw Failure(FailureNumber::InternalError);
    writeSkeleton(runs, settings, out);
}

std::optional<std::string> pageSetupProblem(std::string_view text) {
    if (text.size() > kLongestPageSetup) {
        return "is longer than a page setup, of at most " +
               decimalDigits(static_cast<long long>(kLongestPageSetup / 1024)) + " KB";
    }
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t length = utf8SequenceLength(rest);
        if (length == 0) return "is no page setup: it is not UTF-8 text";
        rest.remove_prefix(length);
    }
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::string_view heading = text.substr(0, text.find('\n'));
    if (heading.ends_with('\r')) heading.remove_suffix(1);
    if (heading != kSetupHeading) {
        return "is no page setup: its first line is not \"" + std::string(kSetupHeading) + "\"";
    }
    return std::nullopt;
}

}  // namespace quillet
