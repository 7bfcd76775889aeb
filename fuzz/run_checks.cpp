#include "fuzz/run_checks.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace quillet::fuzzing {

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "conversion fuzzer: %s\n", what);
        std::abort();
    }
}

void checkEnding(const support::RecordingServices& services,
                 const support::ReferenceOutcome& reference, ConversionOutcome outcome) {
    const std::vector<std::string>& calls = services.calls;
    check(calls.size() >= 3 && calls.front() == "busy",
          "the run did not start with the busy pointer");
    if (reference.ending == support::kConverted) {
        check(outcome == ConversionOutcome::Converted, "a convertible log failed");
        check(services.messages.empty(), "a converted log showed a message");
        check(calls[calls.size() - 3] == "idle" && calls[calls.size() - 2] == "value 1" &&
                  calls.back() == "beep",
              "a converted log did not end in pointer, progress 1 and beep");
        return;
    }
    check(outcome == ConversionOutcome::Failed, "a damaged log was reported as converted");
    check(services.messages.size() == 1, "a failure did not show exactly one message");
    check(services.messages[0] == failureMessage(Failure(*reference.ending)).text,
          "a failure showed the wrong message");
    check(calls[calls.size() - 2] == "idle" && calls.back() == "value 0",
          "a failure did not end in pointer and progress 0");
}

}  // namespace quillet::fuzzing
