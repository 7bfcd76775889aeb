#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "qt/form1.h"
#include "system/interruption.h"

// `quillet LOG`, as a file manager's "Open with" starts it, opens the window with LOG in place.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    quillet::system::removeTemporaryFilesOnInterruption();
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLET_DESKTOP_ID));
    quillet::qt::Form1 form;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        form.openLog(QDir::toNativeSeparators(QFileInfo(arguments.at(1)).absoluteFilePath()));
    }
    form.show();
    return application.exec();
}
