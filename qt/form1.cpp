#include "qt/form1.h"

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

#include "conversion/log_naming.h"
#include "frontend/file_conversion.h"
#include "frontend/opened_log.h"
#include "frontend/reporting.h"
#include "frontend/window_layout.h"
#include "icons/quillet_icon.xpm"
#include "qt/progress_bar.h"

namespace quillet::qt {

namespace {

using frontend::Control;
using frontend::pixelsFromTwips;

QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Creates a control where the layout places it; Qt's logical pixels are those of 96 dpi.
template <typename Widget>
Widget* place(Control control, QWidget* parent) {
    const auto& layout = frontend::layoutOf(control);
    auto* widget = new Widget(parent);
    widget->setObjectName(qtText(layout.name));
    widget->setGeometry(pixelsFromTwips(layout.left), pixelsFromTwips(layout.top),
                        pixelsFromTwips(layout.width), pixelsFromTwips(layout.height));
    if constexpr (std::is_same_v<Widget, QLabel> || std::is_same_v<Widget, QPushButton>) {
        widget->setText(qtText(layout.caption));
    }
    if constexpr (std::is_same_v<Widget, QPushButton>) {
        // Enter presses the focused button, as the space bar does; no button is the default.
        widget->setAutoDefault(true);
    }
    return widget;
}

// The per-user settings store, kept by Qt where the platform keeps such settings.
class QtSettingsStore : public frontend::SettingsStore {
  public:
    std::string read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view whenMissing) override {
        return settings(application)
            .value(entry(section, key), qtText(whenMissing))
            .toString()
            .toStdString();
    }
    void write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override {
        settings(application).setValue(entry(section, key), qtText(value));
    }

  private:
    static QSettings settings(std::string_view application) {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, qtText(application));
    }
    static QString entry(std::string_view section, std::string_view key) {
        return qtText(section) + u'/' + qtText(key);
    }
};

// Of the files being dragged, the first named like a log.
std::optional<std::string> droppedLog(const QMimeData* dragged) {
    std::vector<std::string> paths;
    for (const QUrl& url : dragged->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
        }
    }
    return firstLog(paths);
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Label1(place<QLabel>(Control::Label1, this)),
      txtInFile(place<QLineEdit>(Control::txtInFile, this)),
      cmdInBrowse(place<QPushButton>(Control::cmdInBrowse, this)),
      Label2(place<QLabel>(Control::Label2, this)),
      txtOutFile(place<QLineEdit>(Control::txtOutFile, this)),
      cmdOutBrowse(place<QPushButton>(Control::cmdOutBrowse, this)),
      ProgBar(place<ProgressBar>(Control::ProgBar, this)),
      cmdConvert(place<QPushButton>(Control::cmdConvert, this)),
      ComDiag(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(qtText(frontend::kWindowCaption));
    setWindowIcon(QIcon(QPixmap(quillet_icon_xpm)));
    setFixedSize(pixelsFromTwips(frontend::kClientWidthTwips),
                 pixelsFromTwips(frontend::kClientHeightTwips));

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
    frontend::convertFiles(txtInFile->text().toStdString(), txtOutFile->text().toStdString(),
                           *this);
}

void Form1::cmdInBrowse_Click() { chooseFile(frontend::kInputLogPick, txtInFile); }

void Form1::cmdOutBrowse_Click() { chooseFile(frontend::kOutputFilePick, txtOutFile); }

void Form1::chooseFile(const frontend::FilePick& pick, QLineEdit* pathBox) {
    QtSettingsStore settings;
    if (const auto chosen = frontend::chooseFile(pick, ComDiag, settings)) {
        pathBox->setText(QString::fromStdString(*chosen));
    }
}

void Form1::openLog(const QString& path) {
    const auto boxes = frontend::withOpenedLog(
        {txtInFile->text().toStdString(), txtOutFile->text().toStdString()}, path.toStdString());
    txtInFile->setText(QString::fromStdString(boxes.input));
    txtOutFile->setText(QString::fromStdString(boxes.output));
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
        m_gate.shut();
    } else {
        m_gate.open();
        QApplication::restoreOverrideCursor();
    }
}

void Form1::setProgressMin(float min) { ProgBar->setMin(min); }

void Form1::setProgressMax(float max) { ProgBar->setMax(max); }

void Form1::setProgressValue(float value) {
    ProgBar->setValue(value);
    m_gate.keepResponsive();
}

void Form1::showMessage(const std::string& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Critical,
                    qtText(frontend::kMessageCaption),
                    QString::fromStdString(frontend::messageLines(text)), QMessageBox::Ok, this);
    // The box takes the input that the run did not.
    m_gate.open();
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void Form1::beep() {
    QApplication::beep();
    emit beeped();
}

}  // namespace quillet::qt
