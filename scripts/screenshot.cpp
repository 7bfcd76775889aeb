// Saves a picture of the main window, as a person sees it, for the README:
// quillet_screenshot OUTPUT.png (under an X server such as Xvfb)
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>

#include "qt/form1.h"
#include "qt/progress_bar.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        qWarning("usage: quillet_screenshot OUTPUT.png");
        return 2;
    }
    quillet::qt::Form1 form;
    form.txtInFile->setText(QStringLiteral("C:\\Palm\\Backup\\ThirdGearQMRX.pdb"));
    form.txtOutFile->setText(QStringLiteral("C:\\Logs\\third-gear.csv"));
    form.ProgBar->setMin(1);
    form.ProgBar->setMax(8);
    form.ProgBar->setValue(5);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        return 1;
    }
    return form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
