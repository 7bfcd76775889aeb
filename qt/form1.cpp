#include "form1.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>

#include "log_naming.h"
#include "progress_bar.h"
#include "quillet_icon.xpm"

namespace {

constexpr int kTwipsPerPixel = 15;

// Places a control by its position and size in twips, 1/15 of a logical pixel.
template <typename Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                         height / kTwipsPerPixel);
    return control;
}

QPushButton* button(const QString& caption, QWidget* parent) {
    auto* pushButton = new QPushButton(caption, parent);
    // Enter presses the focused button, as the space bar does; no button is the default.
    pushButton->setAutoDefault(true);
    return pushButton;
}

// The remembered folders live in the per-user settings store under the application's name.
QSettings lastDirs() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Riravazev");
}

// Of the files being dragged, the first named like a log.
std::optional<std::string> droppedLog(const QMimeData* dragged) {
    std::vector<std::string> paths;
    for (const QUrl& url : dragged->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
        }
    }
    return quillet::firstLog(paths);
}

}  // namespace

struct Form1::FilePick {
    QString title;
    QString settingsKey;
    QString folderWhenMissing;
    QString filter;
    int flags;
    void (CommonDialog::*showDialog)();
    QLineEdit* pathBox;
};

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Label1(place(new QLabel(tr("Input Filename:"), this), "Label1", 180, 120, 2040, 255)),
      txtInFile(place(new QLineEdit(this), "txtInFile", 180, 390, 3375, 300)),
      cmdInBrowse(place(button(tr("Browse"), this), "cmdInBrowse", 3900, 390, 930, 330)),
      Label2(place(new QLabel(tr("Output Filename:"), this), "Label2", 180, 855, 1305, 255)),
      txtOutFile(place(new QLineEdit(this), "txtOutFile", 180, 1155, 3375, 300)),
      cmdOutBrowse(place(button(tr("Browse"), this), "cmdOutBrowse", 3900, 1125, 930, 330)),
      ProgBar(place(new ProgressBar(this), "ProgBar", 180, 1800, 3375, 300)),
      cmdConvert(place(button(tr("Convert"), this), "cmdConvert", 3885, 1770, 930, 330)),
      ComDiag(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vantrel Log Converter v1.02"));
    setWindowIcon(QIcon(QPixmap(quillet_icon_xpm)));
    setFixedSize(4980 / kTwipsPerPixel, 2370 / kTwipsPerPixel);

    // A platform font wider than the one the layout was drawn with would cut the captions off;
    // nothing stands to the right of either label, so they widen instead.
    for (QLabel* caption : {Label1, Label2}) {
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
    }
    ProgBar->setFocusPolicy(Qt::NoFocus);
    setTabOrder(cmdConvert, txtInFile);
    setTabOrder(txtInFile, txtOutFile);
    setTabOrder(txtOutFile, cmdInBrowse);
    setTabOrder(cmdInBrowse, cmdOutBrowse);
    cmdConvert->setFocus();

    setAcceptDrops(true);

    connect(cmdConvert, &QPushButton::clicked, this, &Form1::cmdConvert_Click);
    connect(cmdInBrowse, &QPushButton::clicked, this, &Form1::cmdInBrowse_Click);
    connect(cmdOutBrowse, &QPushButton::clicked, this, &Form1::cmdOutBrowse_Click);
}

void Form1::cmdConvert_Click() {
    quillet::convertLog(txtInFile->text().toStdString(), txtOutFile->text().toStdString(), *this);
}

void Form1::cmdInBrowse_Click() {
    chooseFile({QStringLiteral("Choose a Vantrel Log to convert"), QStringLiteral("PalmDir"),
                QString(), QStringLiteral("Vantrel Log Files (*.pdb)|*QMRX.pdb"),
                CommonDialog::cdlOFNFileMustExist, &CommonDialog::ShowOpen, txtInFile});
}

void Form1::cmdOutBrowse_Click() {
    chooseFile({QStringLiteral("Save File"), QStringLiteral("OutDir"), QStringLiteral("c:\\"),
                QStringLiteral("Comma Delimited Files (*.csv)|*.csv|All Files (*.*)|*.*"),
                CommonDialog::cdlOFNOverwritePrompt, &CommonDialog::ShowSave, txtOutFile});
}

void Form1::chooseFile(const FilePick& pick) {
    const QString key = QStringLiteral("LastDirs/") + pick.settingsKey;
    ComDiag.DialogTitle = pick.title;
    ComDiag.InitDir = lastDirs().value(key, pick.folderWhenMissing).toString();
    ComDiag.Filter = pick.filter;
    ComDiag.FileName.clear();
    ComDiag.Flags = pick.flags;
    (ComDiag.*pick.showDialog)();

    const QString chosen = ComDiag.FileName;
    if (chosen.trimmed().isEmpty()) {
        return;
    }
    pick.pathBox->setText(chosen);
    lastDirs().setValue(key, chosen.left(chosen.lastIndexOf(QDir::separator()) + 1));
}

void Form1::openLog(const QString& path) {
    txtInFile->setText(path);
    if (txtOutFile->text().isEmpty()) {
        txtOutFile->setText(QString::fromStdString(quillet::csvPathForLog(path.toStdString())));
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedLog(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    if (const std::optional<std::string> log = droppedLog(event->mimeData())) {
        openLog(QString::fromStdString(*log));
        event->acceptProposedAction();
    }
}

void Form1::setBusyPointer(bool busy) {
    if (busy == m_busy) {
        return;
    }
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void Form1::setProgressMin(float min) { ProgBar->setMin(min); }

void Form1::setProgressMax(float max) { ProgBar->setMax(max); }

void Form1::setProgressValue(float value) { ProgBar->setValue(value); }

void Form1::showMessage(const std::string& text, quillet::MessageIcon icon) {
    QMessageBox box(
        icon == quillet::MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Critical,
        QStringLiteral("Quillet"),
        QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
        QMessageBox::Ok, this);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void Form1::beep() {
    QApplication::beep();
    emit beeped();
}
