#pragma once

// How a CSV joins its cells and writes its decimals, for spreadsheets set to either
// convention. The default profile writes the classic comma-separated, point-decimal file.
namespace quillet {

struct CsvProfile {
    char separator = ',';
    char decimalMark = '.';

    // A decimal comma between comma separators could not be told from the separator.
    bool isUnambiguous() const { return !(separator == ',' && decimalMark == ','); }
    bool operator==(const CsvProfile&) const = default;
};

}  // namespace quillet
