#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "conversion/run_reporting.h"

namespace quillet::support {

// Services that write down every call a run makes, in order, as short texts.
class RecordingServices : public ReportingServices {
  public:
    void setBusyPointer(bool busy) override;
    void setProgressMin(float min) override;
    void setProgressMax(float max) override;
    void setProgressValue(float value) override;
    void showMessage(const std::string& text, MessageIcon icon) override;
    void showFailure(const Failure& failure) override;
    void beep() override;

    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::vector<Failure> failures;
};

// A fresh folder for one test, removed with everything in it afterwards.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return m_path / name;
    }

  private:
    std::filesystem::path m_path;
};

}  // namespace quillet::support
