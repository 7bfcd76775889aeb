#include "console_services.h"

#include <string>

#include "platform_file.h"
#include "reporting.h"

namespace quillet {

void printMessage(const std::string& logPath, const std::string& text) {
    const std::string prefix = logPath.empty() ? "" : logPath + ": ";
    std::fprintf(stderr, "%s%s\n", prefix.c_str(), frontend::messageLines(text).c_str());
}

ConsoleServices::ConsoleServices() : m_showProgress(platform::isTerminal(stderr)) {}

void ConsoleServices::beginLog(const std::string& path, int number, int count) {
    m_logPath = path;
    m_logNumber = number;
    m_logCount = count;
}

void ConsoleServices::clearProgress() {
    if (m_shownWidth > 0) {
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_shownWidth), "");
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
    std::fputs(line.c_str(), stderr);
    m_shownWidth = line.size() - 1;
    m_shownPercent = percent;
}

void ConsoleServices::showMessage(const std::string& text, MessageIcon) {
    clearProgress();
    printMessage(m_logPath, text);
}

void ConsoleServices::beep() {}

}  // namespace quillet
