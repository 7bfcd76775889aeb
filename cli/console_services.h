#pragma once

#include <cstdio>

#include "conversion_run.h"

namespace quillet {

// Reports a run on the console: messages on standard error, progress there too when it is a
// terminal a person watches.
class ConsoleServices : public ReportingServices {
  public:
    ConsoleServices();

    void setBusyPointer(bool busy) override;
    void setProgressMin(float min) override;
    void setProgressMax(float max) override;
    void setProgressValue(float value) override;
    void showMessage(const std::string& text, MessageIcon icon) override;
    void beep() override;

  private:
    bool m_showProgress;
    float m_min = 0;
    float m_max = 100;
    int m_shownPercent = -1;
};

}  // namespace quillet
