#pragma once

#include <optional>
#include <string>
#include <vector>

// Logs as they arrive when a copy went wrong: cut short, half-synced, with offsets that point
// anywhere. Each is built from one small valid log of two channels ("Knock" and "ISC").
namespace quillet::testing {

struct DamagedLog {
    std::string name;
    std::vector<std::uint8_t> bytes;
    // The failure number the run ends with, or 0 when it converts the log.
    int failureNumber;
    // What the output holds afterwards; nullopt where the run fails before touching it.
    // Rows that read bytes never meant as records leave it to the reference reading.
    std::optional<std::string> csv;
    bool csvFromReference = false;
};

// The file name the damaged logs are converted under; line 1 of every CSV.
inline const std::string kDamagedLogName = "DamagedQMRX.pdb";

std::vector<DamagedLog> damagedLogs();

}  // namespace quillet::testing
