#pragma once

#include <string>

// Numbers as text, the same whatever the locale.
namespace quillet {

// A whole number's decimal digits, "-" first when negative.
std::string decimalDigits(long long number);

// A number with a fixed count of decimals and "." before them: 12.456 with 2 decimals gives
// "12.46".
std::string fixedDecimals(double number, int decimals);

// The text with the decimal mark for each ".".
std::string withDecimalMark(std::string text, char decimalMark);

}  // namespace quillet
