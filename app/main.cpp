#include <QApplication>

#include "form1.h"
#include "platform_file.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    quillet::platform::removeTemporaryFileOnInterruption();
    Form1 form;
    form.show();
    return application.exec();
}
