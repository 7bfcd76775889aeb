#include "conversion/run_reporting.h"

#include <algorithm>

#include "conversion/number_text.h"
#include "generated/quillet_version.h"

namespace quillet {

FailureMessage failureMessage(const Failure& failure) {
    if (failure.number() == FailureNumber::PathFileAccessError) {
        return {"Bad Filename.  Please check the name and path of the files.",
                MessageIcon::Exclamation};
    }
    return {"Unexpected error # " + decimalDigits(static_cast<int>(failure.number())) +
                " occurred: " + failure.description() + "\r\n" + "Please report this error to " +
                std::string(kSupportAddress),
            MessageIcon::Critical};
}

namespace {

bool isGeneral(FailureNumber number) {
    return number == FailureNumber::PathFileAccessError || number == FailureNumber::DeviceIoError ||
           number == FailureNumber::InternalError;
}

}  // namespace

std::string detailedFailureText(const Failure& failure) {
    std::string text = failureMessage(failure).text;
    std::string why;
    if (failure.number() == FailureNumber::PathFileAccessError &&
        failure.description() != describeFailure(failure.number())) {
        why += " " + failure.description() + ".";
    }
    if (isGeneral(failure.number()) && !failure.systemReason().empty()) {
        why += " (" + failure.systemReason() + ")";
    }
    return text.insert(std::min(text.find("\r\n"), text.size()), why);
}

void ReportingServices::showFailure(const Failure& failure) {
    const FailureMessage message = failureMessage(failure);
    showMessage(message.text, message.icon);
}

ConversionOutcome runReported(ReportingServices& services, const std::function<void()>& work) {
    try {
        services.setBusyPointer(true);
        work();
        services.setBusyPointer(false);
        services.setProgressValue(1);
        services.beep();
        return ConversionOutcome::Converted;
    } catch (...) {
        services.showFailure(failureFromCurrentException());
        services.setBusyPointer(false);
        services.setProgressValue(0);
        return ConversionOutcome::Failed;
    }
}

}  // namespace quillet
