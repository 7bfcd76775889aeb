// Converts a log through the main window, as a click on "Convert" does, and prints how many
// seconds the click took: window_bench LOG CSV (on an X server, such as Xvfb)
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "qt/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: window_bench LOG CSV\n", stderr);
        return 2;
    }
    quillet::qt::Form1 form;
    form.txtInFile->setText(QString::fromLocal8Bit(argv[1]));
    form.txtOutFile->setText(QString::fromLocal8Bit(argv[2]));
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        return 1;
    }
    bool beeped = false;
    QObject::connect(&form, &quillet::qt::Form1::beeped, [&beeped] { beeped = true; });
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(form.cmdConvert, Qt::LeftButton);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.6f\n", seconds);
    return beeped ? 0 : 1;
}
