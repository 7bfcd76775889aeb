#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace quillet {

// Failure numbers follow the classic numbering of file and arithmetic
// failures, which users quote when they report a problem.
enum class FailureNumber : int {
    OutOfMemory = 7,
    Overflow = 6,
    SubscriptOutOfRange = 9,
    InternalError = 51,
    DeviceIoError = 57,
    DiskFull = 61,
    InputPastEndOfFile = 62,
    PathFileAccessError = 75,
};

// The one exception type of the conversion: a failure number and its description, and the
// output file it concerns when it is an output's.
class Failure : public std::runtime_error {
  public:
    explicit Failure(FailureNumber number);
    Failure(FailureNumber number, const std::string& description);

    FailureNumber number() const noexcept { return m_number; }
    std::string description() const { return what(); }
    // The output file that failed; empty for the log's failures.
    const std::string& outputPath() const noexcept { return m_outputPath; }
    Failure ofOutput(const std::string& path) const;
    // The other outputs of the run that the failure left as they were.
    const std::vector<std::string>& unwrittenOutputs() const noexcept { return m_unwritten; }
    Failure withUnwrittenOutputs(std::vector<std::string> outputs) const;
    // Why the system refused, in its own words, with the path it refused ("/x/y.csv: permission
    // denied"); empty where the failure is the program's own.
    const std::string& systemReason() const noexcept { return m_systemReason; }
    Failure withSystemReason(const std::string& path, const std::string& reason) const;

  private:
    FailureNumber m_number;
    std::string m_outputPath;
    std::vector<std::string> m_unwritten;
    std::string m_systemReason;
};

// The standard description of a failure number, such as "Disk full" for 61.
std::string describeFailure(FailureNumber number);

// The failure of a log whose output then failed too: the log's, telling both unless they are
// the same. The output is named when the run has others, "the output" otherwise.
Failure withOutputFailure(const Failure& logFailure, const Failure& outputFailure,
                          const std::string& outputName = "");

// Turns anything a run may throw into a Failure, keeping a Failure as it is. Call it only while
// an exception is being handled.
Failure failureFromCurrentException();

}  // namespace quillet
