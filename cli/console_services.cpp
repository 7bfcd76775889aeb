#include "cli/console_services.h"

#include <string>
#include <vector>

#include "conversion/utf8_text.h"
#include "frontend/reporting.h"

namespace quillet {
namespace {

void printMessage(Console& console, const std::string& subject, const std::string& text) {
    const std::string prefix = subject.empty() ? "" : displayName(subject) + ": ";
    console.writeError(prefix + frontend::messageLines(text) + "\n");
}

// "a, b and c were not written either."
std::string unwrittenText(const std::vector<std::string>& outputs) {
    std::string names;
    for (std::size_t index = 0; index < outputs.size(); ++index) {
        if (index > 0) names += index + 1 == outputs.size() ? " and " : ", ";
        names += displayName(outputs[index]);
    }
    return names + (outputs.size() == 1 ? " was" : " were") + " not written either.\n";
}

}  // namespace

void printFailure(Console& console, const std::string& subject, const Failure& failure) {
    printMessage(console, failure.outputPath().empty() ? subject : failure.outputPath(),
                 detailedFailureText(failure));
    if (!failure.unwrittenOutputs().empty()) {
        console.writeError(unwrittenText(failure.unwrittenOutputs()));
    }
}

ConsoleServices::ConsoleServices(Console& console, bool outputOnTerminal)
    : m_console(console), m_showProgress(console.showsProgress(outputOnTerminal)) {}

void ConsoleServices::beginLog(const std::string& name, int number, int count) {
    m_logName = name;
    m_logNumber = number;
    m_logCount = count;
}

void ConsoleServices::clearProgress() {
    if (m_shownWidth > 0) {
        m_console.writeError("\r" + std::string(m_shownWidth, ' ') + "\r");
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
    m_console.writeError(line);
    m_shownWidth = line.size() - 1;
    m_shownPercent = percent;
}

void ConsoleServices::showMessage(const std::string& text, MessageIcon) {
    clearProgress();
    printMessage(m_console, m_logName, text);
}

// A failure is told of the log, or of its output where that failed.
void ConsoleServices::showFailure(const Failure& failure) {
    clearProgress();
    printFailure(m_console, m_logName, failure);
}

void ConsoleServices::beep() {}

}  // namespace quillet
