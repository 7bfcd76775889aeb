#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/reference_conversion.h"

// Logs as they arrive when a copy went wrong: cut short, half-synced, with offsets that point
// anywhere. Each is built from one small valid log of two channels ("Knock" and "ISC").
namespace quillet::support {

struct DamagedLog {
    std::string name;
    std::vector<std::uint8_t> bytes;
    // The failure the run ends with, or kConverted.
    Ending ending;
    // What the output holds afterwards; nullopt where the run fails before touching it.
    // Rows that read bytes never meant as records leave it to the reference reading.
    std::optional<std::string> csv;
    bool csvFromReference = false;
};

// The file name the damaged logs are converted under; line 1 of every CSV.
inline const std::string kDamagedLogName = "DamagedQMRX.pdb";

std::vector<DamagedLog> damagedLogs();

}  // namespace quillet::support
