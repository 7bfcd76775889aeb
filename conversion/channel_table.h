#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The fixed table that names each logged channel and turns its raw bytes into the texts of
// the CSV cells. An identifier the table does not hold gives empty texts.
namespace quillet {

std::string ChannelName(std::uint8_t identifier);
std::string ChannelValue(std::uint8_t identifier, std::uint8_t raw);

// The channel's heading, or "channel N" for an identifier the table does not hold: its name
// wherever it needs one that is never empty (a summary, a chart).
std::string channelLabel(std::uint8_t identifier);

// The engineering value that ChannelValue writes, rounded to the cell's decimals, as a number
// to compute with (a summary, a chart): 0 where the cell is empty for zero; nothing for an
// identifier the table does not hold.
std::optional<double> channelNumber(std::uint8_t identifier, std::uint8_t raw);

// channelNumber of every raw byte, for a channel the table holds: made once, so that a reading
// looks each value up; nullptr for an identifier the table does not hold.
const std::array<double, 256>* channelNumbers(std::uint8_t identifier);

// How many decimals the channel's cell text shows: 0 for whole numbers and unknown identifiers.
int channelDecimals(std::uint8_t identifier);

// The unit of the channel's numbers ("rpm", "V", "%"…), empty where the table gives none.
std::string_view channelUnit(std::uint8_t identifier);

// Writes a whole number as a sign character (a space, or "-" when negative) and its digits.
std::string signColumnText(long long number);

// Writes a number by a digit pattern of "#", "0" and at most one ".": rounded to the pattern's
// decimals, every integer digit written, a zero integer part written only when the pattern
// holds a "0" before its ".", and the empty text for zero under a pattern of "#" alone.
std::string patternText(double number, std::string_view pattern);

}  // namespace quillet
