#include <QApplication>

#include "form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLET_DESKTOP_ID));
    Form1 form;
    form.show();
    return application.exec();
}
