#include "conversion/failure.h"

#include <exception>
#include <new>

#include "conversion/utf8_text.h"

namespace quillet {
namespace {

// The system's text as a clause that goes on after a colon: systems write whole sentences
// ("Access is denied.\r\n").
std::string asClause(std::string text) {
    while (!text.empty() &&
           (text.back() == '.' || static_cast<unsigned char>(text.back()) <= ' ')) {
        text.pop_back();
    }
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] += 'a' - 'A';
    return text;
}

}  // namespace

Failure::Failure(FailureNumber number) : Failure(number, describeFailure(number)) {}

Failure::Failure(FailureNumber number, const std::string& description)
    : std::runtime_error(description), m_number(number) {}

Failure Failure::ofOutput(const std::string& path) const {
    Failure failure(*this);
    if (failure.m_outputPath.empty()) failure.m_outputPath = path;
    return failure;
}

Failure Failure::withUnwrittenOutputs(std::vector<std::string> outputs) const {
    Failure failure(*this);
    failure.m_unwritten = std::move(outputs);
    return failure;
}

Failure Failure::withSystemReason(const std::string& path, const std::string& reason) const {
    Failure failure(*this);
    failure.m_systemReason = (path.empty() ? "" : displayName(path) + ": ") + asClause(reason);
    return failure;
}

std::string describeFailure(FailureNumber number) {
    switch (number) {
        case FailureNumber::Overflow:
            return "Overflow";
        case FailureNumber::OutOfMemory:
            return "Out of memory";
        case FailureNumber::SubscriptOutOfRange:
            return "Subscript out of range";
        case FailureNumber::InternalError:
            return "Internal error";
        case FailureNumber::DeviceIoError:
            return "Device I/O error";
        case FailureNumber::DiskFull:
            return "Disk full";
        case FailureNumber::InputPastEndOfFile:
            return "Input past end of file";
        case FailureNumber::PathFileAccessError:
            return "Path/File access error";
    }
    return "Internal error";
}

Failure withOutputFailure(const Failure& logFailure, const Failure& outputFailure,
                          const std::string& outputName) {
    if (outputFailure.number() == logFailure.number()) return logFailure;
    const std::string output = outputName.empty() ? "the output" : outputName;
    return Failure(logFailure.number(),
                   logFailure.description() + "; " + output +
                       " could not be completed: " + outputFailure.description());
}

Failure failureFromCurrentException() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return Failure(FailureNumber::OutOfMemory);
    } catch (const std::exception& other) {
        return Failure(FailureNumber::InternalError,
                       describeFailure(FailureNumber::InternalError) + " (" + other.what() + ")");
    } catch (...) {
        return Failure(FailureNumber::InternalError);
    }
}

}  // namespace quillet
