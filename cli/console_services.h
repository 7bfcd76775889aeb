#pragma once

#include <string>

#include "cli/console.h"
#include "conversion/failure.h"
#include "conversion/run_reporting.h"

namespace quillet {

// Writes a failure's message on the console's standard error, after the name of the file it
// concerns: the failed output's, else `subject` unless that is empty; then the outputs it left
// unwritten.
void printFailure(Console& console, const std::string& subject, const Failure& failure);

// Reports runs on the console: messages on standard error, progress there too when it is a
// terminal a person watches and no output goes to a terminal, where the progress would run into
// it. The progress line shows only while a run is busy, and is cleared before any message and
// when the run ends.
class ConsoleServices : public ReportingServices {
  public:
    explicit ConsoleServices(Console& console, bool outputOnTerminal = false);

    // A log starts: its messages begin with its name, and where it is one of `count` logs,
    // progress counts the logs.
    void beginLog(const std::string& name, int number = 0, int count = 0);

    void setBusyPointer(bool busy) override;
    void setProgressMin(float min) override;
    void setProgressMax(float max) override;
    void setProgressValue(float value) override;
    void showMessage(const std::string& text, MessageIcon icon) override;
    void showFailure(const Failure& failure) override;
    void beep() override;

  private:
    void clearProgress();

    Console& m_console;
    bool m_showProgress;
    bool m_busy = false;
    float m_min = 0;
    float m_max = 100;
    int m_shownPercent = -1;
    std::size_t m_shownWidth = 0;
    std::string m_logName;
    int m_logNumber = 0;
    int m_logCount = 0;
};

}  // namespace quillet
