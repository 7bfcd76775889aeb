#include "markup/markup_text.h"

#include "conversion/utf8_text.h"

namespace quillet {

std::string xmlText(std::string_view text) {
    std::string escaped;
    while (!text.empty()) {
        // U+FFFE and U+FFFF are no characters of XML.
        const bool nonCharacter =
            text.starts_with("\xEF\xBF\xBE") || text.starts_with("\xEF\xBF\xBF");
        const std::size_t length = nonCharacter ? 0 : utf8SequenceLength(text);
        const char c = text[0];
        if (length == 0 || (length == 1 && static_cast<unsigned char>(c) < 0x20)) {
            escaped += '?';
        } else if (c == '&') {
            escaped += "&amp;";
        } else if (c == '<') {
            escaped += "&lt;";
        } else if (c == '>') {
            escaped += "&gt;";
        } else if (c == '"') {
            escaped += "&quot;";
        } else {
            escaped.append(text.substr(0, length));
        }
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return escaped;
}

}  // namespace quillet
