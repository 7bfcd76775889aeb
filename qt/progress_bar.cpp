#include "progress_bar.h"

#include <algorithm>
#include <cmath>

namespace {

// Steps of the drawn bar: finer than its width in pixels, so that each pixel can show.
constexpr int kSteps = 1000;

}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, kSteps);
    setTextVisible(false);
    showValue();
}

void ProgressBar::setMin(float min) {
    m_min = min;
    showValue();
}

void ProgressBar::setMax(float max) {
    m_max = max;
    showValue();
}

void ProgressBar::setValue(float value) {
    m_value = value;
    showValue();
}

void ProgressBar::showValue() {
    double share = 0;
    if (m_max > m_min) {
        share = std::clamp((double{m_value} - m_min) / (double{m_max} - m_min), 0.0, 1.0);
    } else if (m_value >= m_max && m_value >= m_min) {
        share = 1;
    }
    // QProgressBar repaints at once, without an event-loop pass, when the drawn bar changes.
    QProgressBar::setValue(static_cast<int>(std::lround(share * kSteps)));
}
