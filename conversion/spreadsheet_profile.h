#pragma once

// How a CSV joins its cells and writes its decimals, for spreadsheets set to either
// convention. The default profile writes the classic comma-separated, point-decimal file.
namespace quillet {

// How line 1 spells the log's file name, which the program holds as UTF-8.
enum class NameEncoding {
    // As it is, as file names are spelled on Linux.
    Utf8,
    // One byte per character, the low 8 bits of its code, as spreadsheets on Windows read a CSV.
    Latin1,
};

struct SpreadsheetProfile {
    char separator = ',';
    char decimalMark = '.';
    NameEncoding nameEncoding = NameEncoding::Utf8;

    // A decimal comma between comma separators could not be told from the separator.
    bool isUnambiguous() const { return !(separator == ',' && decimalMark == ','); }
    bool operator==(const SpreadsheetProfile&) const = default;
};

}  // namespace quillet
