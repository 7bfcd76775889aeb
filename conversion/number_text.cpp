#include "conversion/number_text.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace quillet {

std::string decimalDigits(long long number) {
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    return std::string(digits, end);
}

std::string fixedDecimals(double number, int decimals) {
    char digits[64];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number,
                                   std::chars_format::fixed, decimals)
                         .ptr;
    return std::string(digits, end);
}

std::string withDecimalMark(std::string text, char decimalMark) {
    std::replace(text.begin(), text.end(), '.', decimalMark);
    return text;
}

}  // namespace quillet
