#include "conversion/csv_output.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "conversion/cell_text.h"
#include "conversion/channel_table.h"
#include "conversion/failure.h"
#include "conversion/log_layout.h"
#include "conversion/number_text.h"
#include "conversion/sample_time.h"
#include "conversion/utf8_text.h"

namespace quillet {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string headingText(const std::string& fileName, const LogInfo& info,
                        const SpreadsheetProfile& profile) {
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

}  // namespace

// The texts of every cell the log can hold, and where its lines go.
struct CsvOutput::Cells {
    using ValueTexts = CellTexts<valueText>;

    Cells(const LogStart& start, const SpreadsheetProfile& profile)
        : separator(profile.separator), hundredths(0, profile.decimalMark) {
        for (const std::uint8_t identifier : start.identifiers()) {
            columns.push_back(
                &textsByIdentifier.try_emplace(identifier, identifier, profile.decimalMark)
                     .first->second);
        }
        longestLine = 2 * CellText::kRoom + columns.size() * (1 + CellText::kRoom) + 2;
    }

    char separator;
    std::map<std::uint8_t, ValueTexts> textsByIdentifier;
    std::vector<ValueTexts*> columns;
    CellTexts<hundredthsCell> hundredths;
    std::size_t longestLine;
    CellText time;
    WriteBuffer* out = nullptr;
};

CsvOutput::CsvOutput(const std::string& fileName, const LogStart& start,
                     const SpreadsheetProfile& profile)
    : m_heading(headingText(fileName, start.info, profile)),
      m_cells(std::make_unique<Cells>(start, profile)) {}

CsvOutput::~CsvOutput() = default;

void CsvOutput::begin(WriteBuffer& out) {
    m_cells->out = &out;
    out.append(m_heading);
}

void CsvOutput::beginRecord(int, int seconds) {
    m_cells->time = CellText(minutesAndSeconds(seconds));
}

void CsvOutput::sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) {
    Cells& cells = *m_cells;
    char* at = cells.out->reserve(cells.longestLine);
    at = cells.time.appendAt(at);
    at = cells.hundredths[hundredths].appendAt(at);
    const char separator = cells.separator;
    for (std::size_t column = 0; column < cells.columns.size(); ++column) {
        *at++ = separator;
        at = (*cells.columns[column])[raw[column]].appendAt(at);
    }
    *at++ = '\r';
    *at++ = '\n';
    cells.out->commit(at);
}

std::unique_ptr<LogOutput> makeCsvOutput(const LogToWrite& log) {
    return std::make_unique<CsvOutput>(log.fileName, log.start, log.profile);
}

}  // namespace quillet
