#include "qt/progress_bar.h"

#include "frontend/reporting.h"

namespace quillet::qt {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, frontend::kProgressSteps);
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
    // QProgressBar repaints at once, without an event-loop pass, when the drawn bar changes.
    QProgressBar::setValue(frontend::progressSteps(m_min, m_max, m_value));
}

}  // namespace quillet::qt
