#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <optional>

#include "frontend/log_page.h"
#include "frontend/opened_log.h"
#include "frontend/reporting.h"
#include "frontend/window_layout.h"
#include "icons/quillet_icon.xpm"
#include "qt/form1.h"
#include "system/command_line.h"
#include "system/interruption.h"
#include "system/standard_streams.h"

namespace {

// Whether Qt has a screen to show a box on: without one, making the application would end the
// program.
bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("DISPLAY");
}

// "Show log page" has no window: its messages go to standard error, for a terminal it was started
// from, and into boxes of their own where there is a display. The application is made for the
// first box only.
class PageBoxes : public quillet::frontend::PageMessages {
  public:
    explicit PageBoxes(char* program) : m_program(program) {}

    void show(const std::string& text, quillet::MessageIcon icon) override {
        quillet::system::writeStandardError("quillet: " + quillet::frontend::messageLines(text) +
                                            "\n");
        if (!hasDisplay()) return;
        if (!m_application) {
            m_application.emplace(m_argumentCount, &m_program);
            QApplication::setWindowIcon(QIcon(QPixmap(quillet_icon_xpm)));
        }
        const std::string_view caption = quillet::frontend::kMessageCaption;
        QMessageBox box(icon == quillet::MessageIcon::Exclamation ? QMessageBox::Warning
                                                                  : QMessageBox::Critical,
                        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                        QString::fromStdString(quillet::frontend::messageLines(text)),
                        QMessageBox::Ok);
        box.exec();
    }

  private:
    char* m_program;
    int m_argumentCount = 1;
    std::optional<QApplication> m_application;
};

}  // namespace

// `quillet LOG`, as a file manager's "Open with" starts it, opens the window with LOG in place;
// `quillet --page LOG`, its "Show log page", opens LOG's page in the browser without a window.
int main(int argc, char** argv) {
    quillet::system::removeTemporaryFilesOnInterruption();
    // The arguments are the program's alone, read as the bytes they were given, which name files
    // whatever their encoding.
    const quillet::frontend::WindowProgramStart start =
        quillet::frontend::readWindowArguments(quillet::system::commandLineArguments(argc, argv));
    if (start.pageLogs) {
        PageBoxes messages(argv[0]);
        return quillet::frontend::showLogPage(*start.pageLogs, messages);
    }
    // Qt is given no argument to take as its own option.
    int qtArgumentCount = 1;
    QApplication application(qtArgumentCount, argv);
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLET_DESKTOP_ID));
    quillet::qt::Form1 form;
    if (start.log) form.openLog(QString::fromStdString(*start.log));
    form.show();
    return application.exec();
}
