#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/spreadsheet_profile.h"

// The texts of a CSV's cells as every output shows them: the CSV, the summary, the page.
namespace quillet {

// A value cell's text: the channel table's, with the decimal mark for its ".".
std::string valueText(std::uint8_t identifier, std::uint8_t raw, char decimalMark = '.');

// Line 1 of the CSV for a log's file name: the name as every output shows it, spelled in the
// encoding that the spreadsheets read.
std::string firstLineText(std::string_view fileName, NameEncoding encoding);

}  // namespace quillet
