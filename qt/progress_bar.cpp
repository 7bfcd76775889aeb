#include "progress_bar.h"

#include <cmath>

#include "reporting.h"

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
    const double share = quillet::frontend::progressShare(m_min, m_max, m_value);
    // QProgressBar repaints at once, without an event-loop pass, when the drawn bar changes.
    QProgressBar::setValue(static_cast<int>(std::lround(share * kSteps)));
}
