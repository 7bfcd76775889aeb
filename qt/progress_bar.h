#pragma once

#include <QProgressBar>

namespace quillet::qt {

// A progress bar whose range and position are single-precision numbers, any of which it takes.
class ProgressBar : public QProgressBar {
    Q_OBJECT

  public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float Min() const { return m_min; }
    float Max() const { return m_max; }
    float Value() const { return m_value; }
    void setMin(float min);
    void setMax(float max);
    // Shows at once: the conversion sets it without letting the event loop run.
    void setValue(float value);

  private:
    void showValue();

    float m_min = 0;
    float m_max = 100;
    float m_value = 0;
};

}  // namespace quillet::qt
