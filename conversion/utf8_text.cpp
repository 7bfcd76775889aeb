#include "conversion/utf8_text.h"

namespace quillet {

std::size_t utf8SequenceLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
    }
    const auto second = static_cast<unsigned char>(length > 1 ? text[1] : 0x80);
    const bool overlong = (lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90);
    const bool surrogate = lead == 0xED && second >= 0xA0;
    const bool beyondUnicode = lead == 0xF4 && second >= 0x90;
    return overlong || surrogate || beyondUnicode ? 0 : length;
}

std::string displayName(std::string_view name) {
    std::string shown;
    while (!name.empty()) {
        const auto lead = static_cast<unsigned char>(name[0]);
        // U+0080 to U+009F, the second set of control characters, in UTF-8.
        const bool secondSet = lead == 0xC2 && name.size() > 1 &&
                               static_cast<unsigned char>(name[1]) < 0xA0 &&
                               static_cast<unsigned char>(name[1]) >= 0x80;
        if (lead < 0x20 || lead == 0x7F || secondSet) {
            shown += ' ';
            name.remove_prefix(secondSet ? 2 : 1);
        } else {
            shown += name[0];
            name.remove_prefix(1);
        }
    }
    return shown;
}

std::string latin1FromUtf8(std::string_view text) {
    std::string bytes;
    while (!text.empty()) {
        const std::size_t length = utf8SequenceLength(text);
        const auto lead = static_cast<unsigned char>(text[0]);
        if (length == 1) {
            bytes += text[0];
        } else if (length == 2 && lead <= 0xC3) {
            bytes += static_cast<char>(((lead & 0x1F) << 6) | (text[1] & 0x3F));
        } else {
            bytes += '?';
        }
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return bytes;
}

}  // namespace quillet
