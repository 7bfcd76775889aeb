#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>

#include "frontend/log_page.h"
#include "frontend/reporting.h"
#include "frontend/window_layout.h"
#include "icons/quillet_icon.xpm"
#include "qt/form1.h"
#include "system/command_line.h"
#include "system/interruption.h"

namespace {

// "Show log page" has no window: its messages are boxes of their own.
class PageServices : public quillet::frontend::WindowlessServices {
  public:
    void showMessage(const std::string& text, quillet::MessageIcon icon) override {
        const std::string_view caption = quillet::frontend::kMessageCaption;
        QMessageBox box(icon == quillet::MessageIcon::Exclamation ? QMessageBox::Warning
                                                                  : QMessageBox::Critical,
                        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                        QString::fromStdString(quillet::frontend::messageLines(text)),
                        QMessageBox::Ok);
        box.exec();
    }
};

}  // namespace

// `quillet LOG`, as a file manager's "Open with" starts it, opens the window with LOG in place;
// `quillet --page LOG`, its "Show log page", opens LOG's page in the browser without a window.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    quillet::system::removeTemporaryFilesOnInterruption();
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLET_DESKTOP_ID));
    // QApplication has taken its own options out of argv; the log's path is passed on as the
    // bytes it was given, which name the file whatever their encoding.
    const auto programArguments = quillet::system::commandLineArguments(argc, argv);
    if (programArguments.size() > 1 && programArguments[1] == "--page") {
        // Its message boxes have no window to take the program's icon from.
        QApplication::setWindowIcon(QIcon(QPixmap(quillet_icon_xpm)));
        PageServices services;
        return quillet::frontend::showLogPage(
            programArguments.size() > 2 ? programArguments[2] : "", services);
    }
    quillet::qt::Form1 form;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        form.openLog(QDir::toNativeSeparators(QFileInfo(arguments.at(1)).absoluteFilePath()));
    }
    form.show();
    return application.exec();
}
