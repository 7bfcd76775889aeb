#include "tests/support/sample_logs.h"

namespace quillet::support {

std::vector<SampleLog> sampleLogs() {
    auto named = [](const std::string& name, LogContents contents) {
        contents.databaseName = name;
        return SampleLog{name + ".pdb", std::move(contents)};
    };
    return {
        // RPM, Timing, Coolant, Air Temp, TPS, O2 while the engine warms up.
        named("WarmUpQMRX", drivingLog({33, 6, 7, 58, 23, 19}, 12, 4, 7)),
        // All twelve columns a log can hold, at ten samples a second.
        named("ThirdGearQMRX",
              drivingLog({33, 38, 6, 19, 26, 41, 44, 23, 20, 21, 22, 29}, 8, 10, 11)),
        // Fuel trims, Battery, and a channel the table does not know (identifier 34).
        named("CruiseQMRX", drivingLog({15, 14, 13, 12, 34, 20}, 70, 2, 3)),
    };
}

}  // namespace quillet::support
