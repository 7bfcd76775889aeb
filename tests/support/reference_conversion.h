#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A second, plain reading of a log held in memory, written apart from the conversion run's
// buffered one, for checking whole runs on any bytes: what the CSV must hold, and how the run
// must end.
namespace quillet::testing {

// The failure numbers a reading of a log can end with; 0 when the log converts.
inline constexpr int kConverted = 0;
inline constexpr int kOverflow = 6;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kInputPastEndOfFile = 62;

struct ReferenceOutcome {
    // The failure number the run must report, or kConverted.
    int failureNumber = kConverted;
    // Whether the run gets as far as replacing the output file.
    bool outputCreated = false;
    // What the output holds afterwards, when it was created.
    std::string csv;
};

ReferenceOutcome referenceConversion(const std::vector<std::uint8_t>& log,
                                     const std::string& fileName);

}  // namespace quillet::testing
