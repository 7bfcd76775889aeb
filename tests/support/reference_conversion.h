#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/failure.h"

// A second, plain reading of a log held in memory, written apart from the conversion run's
// buffered one, for checking whole runs on any bytes: what the CSV must hold, and how the run
// must end.
namespace quillet::support {

// How a reading of a log ends: the failure it reports, or kConverted.
using Ending = std::optional<FailureNumber>;
inline constexpr Ending kConverted = std::nullopt;

struct ReferenceOutcome {
    Ending ending = kConverted;
    // Whether the run gets as far as replacing the output file.
    bool outputCreated = false;
    // What the output holds afterwards, when it was created.
    std::string csv;
};

ReferenceOutcome referenceConversion(const std::vector<std::uint8_t>& log,
                                     const std::string& fileName);

}  // namespace quillet::support
