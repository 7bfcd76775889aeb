#include "console_services.h"

#include "platform_file.h"
#include "reporting.h"

namespace quillet {

ConsoleServices::ConsoleServices() : m_showProgress(platform::isTerminal(stderr)) {}

void ConsoleServices::setBusyPointer(bool busy) {
    if (!busy && m_shownPercent >= 0) {
        std::fputs("\r          \r", stderr);
        m_shownPercent = -1;
    }
}

void ConsoleServices::setProgressMin(float min) { m_min = min; }

void ConsoleServices::setProgressMax(float max) { m_max = max; }

void ConsoleServices::setProgressValue(float value) {
    if (!m_showProgress) {
        return;
    }
    const int percent = static_cast<int>(frontend::progressShare(m_min, m_max, value) * 100);
    if (percent != m_shownPercent) {
        std::fprintf(stderr, "\r%3d%%", percent);
        m_shownPercent = percent;
    }
}

void ConsoleServices::showMessage(const std::string& text, MessageIcon) {
    std::fprintf(stderr, "%s\n", frontend::messageLines(text).c_str());
}

void ConsoleServices::beep() {}

}  // namespace quillet
