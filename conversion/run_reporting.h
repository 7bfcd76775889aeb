#pragma once

#include <functional>
#include <string>

#include "conversion/failure.h"

// How a run reports, through services its caller lends (the window, the console, or a test),
// and the one way every run ends: with the beep, or with the message of its failure.
namespace quillet {

enum class MessageIcon { Exclamation, Critical };

struct FailureMessage {
    // Lines end in CR LF.
    std::string text;
    MessageIcon icon;
};

// The message box a failure shows.
FailureMessage failureMessage(const Failure& failure);

// The message's text with what the program knows beyond it, where no box of the window shows
// it (a console, "Show log page"): for a bad file name why, where the program knows it, and for
// a failure whose number says only that something failed, the system's reason.
std::string detailedFailureText(const Failure& failure);

class ReportingServices {
  public:
    virtual ~ReportingServices() = default;
    virtual void setBusyPointer(bool busy) = 0;
    virtual void setProgressMin(float min) = 0;
    virtual void setProgressMax(float max) = 0;
    virtual void setProgressValue(float value) = 0;
    // Lines of the text end in CR LF.
    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
    virtual void beep() = 0;

    // Shows the failure's message; a console may also name the file the failure concerns.
    virtual void showFailure(const Failure& failure);
};

enum class ConversionOutcome { Converted, Failed };

// Runs `work` between the busy pointer and the end of the run: on success the default pointer,
// the progress bar at 1 and the beep; on any failure `work` throws, its message, the default
// pointer and the progress bar at 0.
ConversionOutcome runReported(ReportingServices& services, const std::function<void()>& work);

}  // namespace quillet
