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
// More clock warnings than this fold into one line that opens to list them.
constexpr std::size_t kJumpsShownOpen = 3;
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

class PageWriter {
  public:
    PageWriter(const LogPage& page, const SpreadsheetProfile& profile, WriteBuffer& out)
        : m_page(page), m_mark(profile.decimalMark), m_separator(profile.separator), m_out(out) {}

    void write() {
        std::string_view rest = page_assets::kSkeleton;
        for (std::size_t slot = rest.find(kSlotStart); slot != std::string_view::npos;
             slot = rest.find(kSlotStart)) {
            m_out.append(rest.substr(0, slot));
            rest.remove_prefix(slot + kSlotStart.size());
            const std::size_t nameEnd = rest.find(kSlotEnd);
            if (nameEnd == std::string_view::npos) throw Failure(FailureNumber::InternalError);
            writeSlot(rest.substr(0, nameEnd));
            rest.remove_prefix(nameEnd + kSlotEnd.size());
        }
        m_out.append(rest);
    }

  private:
    void writeSlot(std::string_view name) {
        if (name == "title") {
            m_out.append(xmlText(displayName(m_page.title)));
        } else if (name == "summary") {
            writeSummary();
        } else if (name == "notices") {
            writeNotices();
        } else if (name == "channel-rows") {
            writeChannelRows();
        } else if (name == "data") {
            writeData();
        } else {
            m_out.append(assetOfSlot(name));
        }
    }

    // The built-in file a slot holds as it is.
    static std::string_view assetOfSlot(std::string_view name) {
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

    void summaryItem(const std::string& term, const std::string& value) {
        m_out.append("<div><dt>" + term + "</dt><dd>" + value + "</dd></div>\n");
    }

    void writeSummary() {
        const LogSummary& summary = m_page.summary;
        summaryItem("Records", decimalDigits(summary.records));
        summaryItem("Samples", decimalDigits(summary.span.samples));
        summaryItem("Time", timeSpanText(summary.span, m_mark));
        summaryItem("Median rate", summary.medianSampleRate
                                       ? sampleRateText(*summary.medianSampleRate, m_mark)
                                       : "-");
    }

    void writeNotices() {
        if (m_page.stop) {
            const Failure& failure = m_page.stop->failure;
            m_out.append("<p class=\"stop\" role=\"alert\">Reading stopped at record " +
                         decimalDigits(m_page.stop->record) + " of " +
                         decimalDigits(m_page.recordCount - 1) + ": error # " +
                         decimalDigits(static_cast<int>(failure.number())) + ", " +
                         xmlText(failure.description()) + ". " + samplesBeforeStop() + "</p>\n");
        }
        const std::vector<TimeJump>& jumps = m_page.summary.timeJumps;
        if (jumps.size() <= kJumpsShownOpen) {
            for (const TimeJump& jump : jumps) {
                m_out.append("<p class=\"warning\">Warning: " + timeJumpText(jump, m_mark) +
                             "</p>\n");
            }
            return;
        }
        m_out.append(
            "<details class=\"warning\"><summary>Warning: the time goes back or jumps "
            "ahead at " +
            decimalDigits(static_cast<long long>(jumps.size())) + " records</summary>\n<ul>\n");
        for (const TimeJump& jump : jumps) {
            m_out.append("<li>" + timeJumpText(jump, m_mark) + "</li>\n");
        }
        m_out.append("</ul>\n</details>\n");
    }

    std::string samplesBeforeStop() const {
        const long long samples = m_page.summary.span.samples;
        if (samples == 0) return "No sample could be read before it.";
        return samples == 1
                   ? "Only the one sample before it is shown."
                   : "Only the " + decimalDigits(samples) + " samples before it are shown.";
    }

    void writeChannelRows() {
        for (const ChannelRange& range : m_page.summary.channels) {
            m_out.append("<tr><th scope=\"row\">" + xmlText(channelLabel(range.identifier)) +
                         "</th><td>" + rangeValueText(range.smallest, range.identifier, m_mark) +
                         "</td><td>" + rangeValueText(range.largest, range.identifier, m_mark) +
                         "</td></tr>\n");
        }
    }

    void writeChannel(std::size_t column) {
        const std::uint8_t identifier = m_page.samples.identifiers()[column];
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
        appendBase64(m_page.samples.columns(), column, m_out);
        m_out.append("\"}");
    }

    void writeData() {
        m_out.append("{\"decimalMark\":" + jsonString(std::string(1, m_mark)) +
                     ",\"separator\":" + jsonString(std::string(1, m_separator)) +
                     ",\"stopped\":" + (m_page.stop ? "true" : "false") + ",\"quietSpell\":" +
                     decimalDigits(kLongestQuietSpell / 10) + ",\"channels\":[");
        for (std::size_t column = 0; column < m_page.samples.identifiers().size(); ++column) {
            if (column > 0) m_out.append(",");
            writeChannel(column);
        }
        m_out.append("],\"recordSeconds\":\"");
        appendBase64(littleEndianBytes(m_page.samples.recordSeconds()), m_out);
        m_out.append("\",\"recordSamples\":\"");
        appendBase64(littleEndianBytes(m_page.samples.recordSamples()), m_out);
        m_out.append("\",\"hundredths\":\"");
        appendBase64(m_page.samples.columns(), m_page.samples.hundredthsColumn(), m_out);
        m_out.append("\"}");
    }

    const LogPage& m_page;
    char m_mark;
    char m_separator;
    WriteBuffer& m_out;
};

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

void writeHtmlPage(const LogPage& page, const SpreadsheetProfile& profile, WriteBuffer& out) {
    PageWriter(page, profile, out).write();
}

}  // namespace quillet
