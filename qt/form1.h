#pragma once

#include <QWidget>

#include "conversion/csv_output.h"
#include "qt/common_dialog.h"
#include "qt/run_event_gate.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet::qt {

class ProgressBar;

// The program's one window: the two paths, their "Browse" buttons, "Convert" and the progress
// bar. It lends the conversion its busy pointer, progress bar, message boxes and beep.
class Form1 : public QWidget, public ReportingServices {
    Q_OBJECT

  public:
    explicit Form1(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* txtInFile;
    QPushButton* cmdInBrowse;
    QLabel* Label2;
    QLineEdit* txtOutFile;
    QPushButton* cmdOutBrowse;
    ProgressBar* ProgBar;
    QPushButton* cmdConvert;
    CommonDialog ComDiag;

    void setBusyPointer(bool busy) override;
    void setProgressMin(float min) override;
    void setProgressMax(float max) override;
    void setProgressValue(float value) override;
    void showMessage(const std::string& text, MessageIcon icon) override;
    void beep() override;

    // Puts a log handed over by the desktop (dropped, or given as the program's argument) into
    // the input box, and its CSV into the output box when that is empty. Converts nothing.
    void openLog(const QString& path);

  signals:
    void beeped();

  private slots:
    void cmdConvert_Click();
    void cmdInBrowse_Click();
    void cmdOutBrowse_Click();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void chooseFile(const frontend::FilePick& pick, QLineEdit* pathBox);

    bool m_busy = false;
    RunEventGate m_gate;
};

}  // namespace quillet::qt
