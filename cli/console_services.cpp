#include "cli/console_services.h"

#include <string>

#include "frontend/reporting.h"
#include "system/standard_streams.h"
#include "system/terminal.h"

namespace quillet {
namespace {

void printMessage(const std::string& subject, const std::string& text) {
    const std::string prefix = subject.empty() ? "" : subject + ": ";
    system::writeStandardError(prefix + frontend::messageLines(text) + "\n");
}

// The window's message, and for a bad file name also why, where the program knows it.
std::string consoleMessage(const Failure& failure) {
    std::string text = failureMessage(failure).text;
    if (failure.number() == FailureNumber::PathFileAccessError &&
        failure.description() != describeFailure(failure.number())) {
        text += " " + failure.description() + ".";
    }
    return text;
}

}  // namespace

void printFailure(const std::string& subject, const Failure& failure) {
    printMessage(failure.outputPath().empty() ? subject : failure.outputPath(),
                 consoleMessage(failure));
}

ConsoleServices::ConsoleServices(bool outputOnTerminal)
    : m_showProgress(system::isTerminal(stderr) && !outputOnTerminal) {}

void ConsoleServices::beginLog(const std::string& path, int number, int count) {
    m_logPath = path;
    m_logNumber = number;
    m_logCount = count;
}

void ConsoleServices::clearProgress() {
    if (m_shownWidth > 0) {
        system::writeStandardError("\r" + std::string(m_shownWidth, ' ') + "\r");
        m_shownWidth = 0;
    }
    m_shownPercent = -1;
}

void ConsoleServices::setBusyPointer(bool busy) {
    m_busy = busy;
    if (!busy) {
        clearProgress();
    }
}

void ConsoleServices::setProgressMin(float min) { m_min = min; }

void ConsoleServices::setProgressMax(float max) { m_max = max; }

void ConsoleServices::setProgressValue(float value) {
    if (!m_showProgress || !m_busy) {
        return;
    }
    const int percent = static_cast<int>(frontend::progressShare(m_min, m_max, value) * 100);
    if (percent == m_shownPercent) {
        return;
    }
    std::string line = "\r";
    if (m_logCount > 0) {
        line += "log " + std::to_string(m_logNumber) + " of " + std::to_string(m_logCount) + ", ";
    }
    const std::string percentText = std::to_string(percent) + "%";
    line += std::string(4 - percentText.size(), ' ') + percentText;
    system::writeStandardError(line);
    m_shownWidth = line.size() - 1;
    m_shownPercent = percent;
}

void ConsoleServices::showMessage(const std::string& text, MessageIcon) {
    clearProgress();
    printMessage(m_logPath, text);
}

// A single log's failure is the one the command line names; of many logs, it is told of the
// log, or of its output where that failed.
void ConsoleServices::showFailure(const Failure& failure) {
    clearProgress();
    if (m_logPath.empty()) {
        printMessage("", consoleMessage(failure));
    } else {
        printFailure(m_logPath, failure);
    }
}

void ConsoleServices::beep() {}

}  // namespace quillet
