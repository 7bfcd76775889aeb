#pragma once

#include <QWidget>

#include "common_dialog.h"
#include "conversion_run.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class ProgressBar;

// The program's one window: the two paths, their "Browse" buttons, "Convert" and the progress
// bar. It lends the conversion its busy pointer, progress bar, message boxes and beep.
class Form1 : public QWidget, public quillet::ReportingServices {
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
    void showMessage(const std::string& text, quillet::MessageIcon icon) override;
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
    void chooseFile(const quillet::frontend::FilePick& pick, QLineEdit* pathBox);

    bool m_busy = false;
};
