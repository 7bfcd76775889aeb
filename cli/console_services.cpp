#include "console_services.h"

#include <algorithm>
#include <string>

#ifdef _WIN32
#include <io.h>
#define QUILLET_ISATTY _isatty
#define QUILLET_FILENO _fileno
#else
#include <unistd.h>
#define QUILLET_ISATTY isatty
#define QUILLET_FILENO fileno
#endif

namespace quillet {
namespace {

bool standardErrorIsTerminal() { return QUILLET_ISATTY(QUILLET_FILENO(stderr)) != 0; }

}  // namespace

void printMessage(const std::string& logPath, const std::string& text) {
    std::string lines = logPath.empty() ? "" : logPath + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    }
    std::fprintf(stderr, "%s\n", lines.c_str());
}

ConsoleServices::ConsoleServices() : m_showProgress(standardErrorIsTerminal()) {}

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
    const float span = m_max - m_min;
    const float share = span > 0 ? std::clamp((value - m_min) / span, 0.0f, 1.0f) : 1.0f;
    const int percent = static_cast<int>(share * 100);
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
