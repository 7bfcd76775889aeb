#include "conversion/cell_text.h"

#include "conversion/channel_table.h"
#include "conversion/number_text.h"
#include "conversion/utf8_text.h"

namespace quillet {

std::string valueText(std::uint8_t identifier, std::uint8_t raw, char decimalMark) {
    return withDecimalMark(ChannelValue(identifier, raw), decimalMark);
}

std::string firstLineText(std::string_view fileName, NameEncoding encoding) {
    const std::string shown = displayName(fileName);
    return encoding == NameEncoding::Latin1 ? latin1FromUtf8(shown) : shown;
}

}  // namespace quillet
