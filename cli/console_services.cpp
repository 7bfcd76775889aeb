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

ConsoleServices::ConsoleServices() : m_showProgress(standardErrorIsTerminal()) {}

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
    const float span = m_max - m_min;
    const float share = span > 0 ? std::clamp((value - m_min) / span, 0.0f, 1.0f) : 1.0f;
    const int percent = static_cast<int>(share * 100);
    if (percent != m_shownPercent) {
        std::fprintf(stderr, "\r%3d%%", percent);
        m_shownPercent = percent;
    }
}

void ConsoleServices::showMessage(const std::string& text, MessageIcon) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    }
    std::fprintf(stderr, "%s\n", lines.c_str());
}

void ConsoleServices::beep() {}

}  // namespace quillet
