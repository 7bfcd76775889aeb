#pragma once

#include <windows.h>

#include <array>

#include "conversion/csv_output.h"
#include "frontend/window_layout.h"
#include "win32/open_save_dialog.h"

namespace quillet::win32 {

// The program's one window, drawn with the platform's own controls: the two paths, their
// "Browse" buttons, "Convert" and the progress bar. It lends the conversion its busy pointer,
// progress bar, message boxes and beep.
class MainWindow : public ReportingServices {
  public:
    explicit MainWindow(HINSTANCE instance);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Shows the window and takes its messages until it is closed; returns the exit code.
    int run(int showCommand);

    HWND handle() const { return m_window; }
    HWND control(frontend::Control which) const { return m_controls[static_cast<int>(which)]; }

    // Puts a log handed to the program into the input box, and its CSV into an empty output box.
    void openLog(const std::string& path);

    void setBusyPointer(bool busy) override;
    void setProgressMin(float min) override;
    void setProgressMax(float max) override;
    void setProgressValue(float value) override;
    void showMessage(const std::string& text, MessageIcon icon) override;
    void beep() override;

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void layOut(UINT dotsPerInch);
    void pressButton(HWND button);
    void openDroppedLog(HDROP dropped);
    void setText(frontend::Control box, const std::string& text);

    void cmdConvert_Click();
    void cmdInBrowse_Click();
    void cmdOutBrowse_Click();
    void chooseFile(const frontend::FilePick& pick, frontend::Control pathBox);

    std::string text(frontend::Control box) const;
    void showProgress();
    void dropQueuedInput();
    void paintUncoveredParts();

    HINSTANCE m_instance;
    HWND m_window = nullptr;
    std::array<HWND, frontend::kControls.size()> m_controls{};
    HFONT m_font = nullptr;
    HWND m_focus = nullptr;
    bool m_busy = false;
    float m_progressMin = 0;
    float m_progressMax = 100;
    float m_progressValue = 0;
    int m_drawnSteps = 0;
    ULONGLONG m_lastPaint = 0;
    OpenSaveDialog ComDiag{nullptr};
};

}  // namespace quillet::win32
