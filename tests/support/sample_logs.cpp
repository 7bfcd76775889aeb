#include "tests/support/sample_logs.h"

namespace quillet::support {
namespace {

// A pull in one gear as a tuner logs it, ten samples a second: idle until the throttle opens
// `idle` tenths of a second in, twelve seconds of wide open throttle with RPM and Airflow
// climbing, then idle again; samples at `hundredths` past each tenth. RPM, TPS, O2, Airflow, and
// the `extra` channels, which hold a constant reading. A richer run's O2 reads higher from 3000
// to 4000 RPM.
LogContents pull(int idle, int hundredths, bool richer,
                 const std::vector<std::uint8_t>& extra = {}) {
    constexpr int kPull = 120;
    constexpr int kAfter = 30;
    LogContents contents;
    contents.channels = {33, 23, 19, 26};
    contents.channels.insert(contents.channels.end(), extra.begin(), extra.end());
    for (int tenth = 0; tenth < idle + kPull + kAfter; ++tenth) {
        const int pulled = tenth - idle;
        const bool open = pulled >= 0 && pulled < kPull;
        const auto rpm = static_cast<std::uint8_t>(open ? 40 + pulled * 13 / 10 : 28);
        const bool rich = richer && rpm >= 96 && rpm <= 128;
        std::vector<std::uint8_t> reading = {
            rpm, static_cast<std::uint8_t>(open ? 240 : 0),
            static_cast<std::uint8_t>(open ? (rich ? 50 : 45) : 23),
            static_cast<std::uint8_t>(open ? 40 + pulled * 13 / 10 : 20)};
        reading.insert(reading.end(), extra.size(), 150);
        if (tenth % 10 == 0)
            contents.records.push_back({static_cast<std::uint16_t>(tenth / 10), {}});
        contents.records.back().samples.push_back(
            {static_cast<std::uint8_t>(tenth % 10 * 10 + hundredths), std::move(reading)});
    }
    return contents;
}

}  // namespace

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
        // Two runs of one pull to compare: the second opens the throttle 3.25 s later, runs
        // richer from 3000 to 4000 RPM, and logs Coolant too.
        named("BeforeQMRX", pull(50, 0, false)),
        named("AfterQMRX", pull(82, 5, true, {7})),
    };
}

}  // namespace quillet::support
