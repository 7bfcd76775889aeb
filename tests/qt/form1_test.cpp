#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "generated/quillet_version.h"
#include "qt/form1.h"
#include "qt/progress_bar.h"
#include "tests/qt/message_box_catcher.h"
#include "tests/support/expected_csv.h"
#include "tests/support/log_writer.h"

using quillet::qt::CommonDialog;
using quillet::qt::Form1;
using quillet::qt::ProgressBar;
using quillet::support::LogContents;
using quillet::support::LogRecord;

class Form1Test : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void controlsStandWhereTheyBelong_data();
    void controlsStandWhereTheyBelong();
    void windowHasItsCaptionIconAndFixedSize();
    void opensEmptyWithFocusOnConvert();
    void tabCyclesThroughTheControls();
    void enterInAPathBoxPressesNothing_data();
    void enterInAPathBoxPressesNothing();
    void enterOrSpacePressesTheFocusedButton_data();
    void enterOrSpacePressesTheFocusedButton();
    void convertWritesTheCsvAndBeeps();
    void inputDuringARunIsDropped();
    void paintsDuringARun();
    void pathsReachTheConversionAsTyped();
    void failuresShowTheirMessage_data();
    void failuresShowTheirMessage();
    void progressBarTakesAnyRange_data();
    void progressBarTakesAnyRange();
    void droppedLogFillsThePathBoxes_data();
    void droppedLogFillsThePathBoxes();

  private:
    QString writeLog(const LogContents& contents, const QString& name);
    // Starts a run on a log long enough to last several of the window's event intervals, and
    // calls duringTheRun the first time the run lets waiting events through.
    void convertALongLog(const std::function<void()>& duringTheRun);

    QTemporaryDir* m_folder = nullptr;
    Form1* m_form = nullptr;
};

QString Form1Test::writeLog(const LogContents& contents, const QString& name) {
    const QString path = m_folder->filePath(name);
    quillet::support::writeFile(path.toStdString(), quillet::support::buildLog(contents));
    return path;
}

void Form1Test::init() {
    m_folder = new QTemporaryDir;
    m_form = new Form1;
    m_form->show();
    QApplication::setActiveWindow(m_form);
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void Form1Test::cleanup() {
    delete m_form;
    delete m_folder;
}

void Form1Test::controlsStandWhereTheyBelong_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Label1") << "Label1"
                            << "Input Filename:" << QRect(12, 8, 136, 17);
    QTest::newRow("txtInFile") << "txtInFile"
                               << "" << QRect(12, 26, 225, 20);
    QTest::newRow("cmdInBrowse") << "cmdInBrowse"
                                 << "Browse" << QRect(260, 26, 62, 22);
    QTest::newRow("Label2") << "Label2"
                            << "Output Filename:" << QRect(12, 57, 87, 17);
    QTest::newRow("txtOutFile") << "txtOutFile"
                                << "" << QRect(12, 77, 225, 20);
    QTest::newRow("cmdOutBrowse") << "cmdOutBrowse"
                                  << "Browse" << QRect(260, 75, 62, 22);
    QTest::newRow("ProgBar") << "ProgBar"
                             << "" << QRect(12, 120, 225, 20);
    QTest::newRow("cmdConvert") << "cmdConvert"
                                << "Convert" << QRect(259, 118, 62, 22);
}

void Form1Test::controlsStandWhereTheyBelong() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    auto* control = m_form->findChild<QWidget*>(name);
    QVERIFY(control);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) {
        // A label may widen to show its whole caption in a wider font.
        text = label->text();
        QVERIFY(label->width() >= label->sizeHint().width());
        geometry.setWidth(std::max(geometry.width(), label->width()));
    }
    QCOMPARE(control->geometry(), geometry);
    if (auto* box = qobject_cast<QLineEdit*>(control)) text = box->text();
    if (auto* pushButton = qobject_cast<QPushButton*>(control)) {
        text = pushButton->text();
        QVERIFY(pushButton->shortcut().isEmpty());
    }
    QCOMPARE(text, caption);
}

void Form1Test::windowHasItsCaptionIconAndFixedSize() {
    QCOMPARE(m_form->windowTitle(), QString("Vantrel Log Converter v1.02"));
    QCOMPARE(m_form->size(), QSize(332, 158));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    const QImage icon = m_form->windowIcon().pixmap(32, 32).toImage();
    QCOMPARE(icon.size(), QSize(32, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) colours.insert(icon.pixel(x, y) & 0xFFFFFF);
    QVERIFY(colours.size() <= 256);
    QVERIFY(colours.contains(0x000080));  // the dark blue trace
    QVERIFY(colours.contains(0xD00000));  // the red trace
    QVERIFY(colours.contains(0x808080));  // the grey text
}

void Form1Test::opensEmptyWithFocusOnConvert() {
    QCOMPARE(m_form->txtInFile->text(), QString());
    QCOMPARE(m_form->txtOutFile->text(), QString());
    QCOMPARE(m_form->ProgBar->Min(), 0.0f);
    QCOMPARE(m_form->ProgBar->Max(), 100.0f);
    QCOMPARE(m_form->ProgBar->Value(), 0.0f);
    QCOMPARE(m_form->ProgBar->value(), 0);
    QVERIFY(!m_form->ProgBar->isTextVisible());
    QCOMPARE(QApplication::focusWidget(), m_form->cmdConvert);
}

void Form1Test::tabCyclesThroughTheControls() {
    const QList<QWidget*> order{m_form->txtInFile,    m_form->txtOutFile, m_form->cmdInBrowse,
                                m_form->cmdOutBrowse, m_form->cmdConvert, m_form->txtInFile};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void Form1Test::enterInAPathBoxPressesNothing_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::newRow("input, Return") << "txtInFile" << int(Qt::Key_Return);
    QTest::newRow("input, Enter") << "txtInFile" << int(Qt::Key_Enter);
    QTest::newRow("output, Return") << "txtOutFile" << int(Qt::Key_Return);
}

void Form1Test::enterInAPathBoxPressesNothing() {
    QFETCH(QString, box);
    QFETCH(int, key);
    QSignalSpy convert(m_form->cmdConvert, &QPushButton::clicked);
    QSignalSpy inBrowse(m_form->cmdInBrowse, &QPushButton::clicked);
    QSignalSpy outBrowse(m_form->cmdOutBrowse, &QPushButton::clicked);
    auto* pathBox = m_form->findChild<QLineEdit*>(box);
    pathBox->setFocus();
    QTest::keyClicks(pathBox, "typed");
    QTest::keyClick(pathBox, Qt::Key(key));
    QCOMPARE(pathBox->text(), QString("typed"));
    QCOMPARE(convert.count() + inBrowse.count() + outBrowse.count(), 0);
}

void Form1Test::enterOrSpacePressesTheFocusedButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    for (const char* name : {"cmdConvert", "cmdInBrowse", "cmdOutBrowse"}) {
        QTest::addRow("%s, Return", name) << name << int(Qt::Key_Return);
        QTest::addRow("%s, Enter", name) << name << int(Qt::Key_Enter);
        QTest::addRow("%s, Space", name) << name << int(Qt::Key_Space);
    }
}

void Form1Test::enterOrSpacePressesTheFocusedButton() {
    QFETCH(QString, button);
    QFETCH(int, key);
    auto* pushButton = m_form->findChild<QPushButton*>(button);
    QSignalSpy clicked(pushButton, &QPushButton::clicked);
    m_form->ComDiag.scriptNextShowing(
        [](const CommonDialog&, CommonDialog::Kind) { return QString(); });
    MessageBoxCatcher catcher;
    pushButton->setFocus();
    QTest::keyClick(pushButton, Qt::Key(key));
    QCOMPARE(clicked.count(), 1);
}

void Form1Test::convertWritesTheCsvAndBeeps() {
    LogContents log = quillet::support::drivingLog({33, 6, 7, 20}, 40, 3);
    const QString input = writeLog(log, "RunQMRX.pdb");
    const QString output = m_folder->filePath("run.csv");
    m_form->txtInFile->setText(input);
    m_form->txtOutFile->setText(output);
    QSignalSpy beeped(m_form, &Form1::beeped);
    MessageBoxCatcher catcher;

    QTest::mouseClick(m_form->cmdConvert, Qt::LeftButton);

    QCOMPARE(quillet::support::readFile(output.toStdString()),
             quillet::support::expectedCsv(log, "RunQMRX.pdb"));
    QCOMPARE(m_form->ProgBar->Min(), 1.0f);
    QCOMPARE(m_form->ProgBar->Max(), 40.0f);
    QCOMPARE(m_form->ProgBar->Value(), 1.0f);
    QCOMPARE(beeped.count(), 1);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(catcher.shown.isEmpty());
}

void Form1Test::pathsReachTheConversionAsTyped() {
    LogContents log;
    log.records = {LogRecord{1, {{0, {}}}}};
    writeLog(log, " Spaced QMRX.pdb ");
    const QString output = m_folder->filePath("typed.csv");
    m_form->txtInFile->setFocus();
    QTest::keyClicks(m_form->txtInFile, m_folder->path() + "/ Spaced QMRX.pdb ");
    m_form->txtOutFile->setFocus();
    QTest::keyClicks(m_form->txtOutFile, output);
    MessageBoxCatcher catcher;
    QTest::mouseClick(m_form->cmdConvert, Qt::LeftButton);
    QVERIFY(catcher.shown.isEmpty());
    QCOMPARE(quillet::support::readFile(output.toStdString()),
             std::string(" Spaced QMRX.pdb \r\nTime\r\n0:01.00\r\n"));
}

void Form1Test::failuresShowTheirMessage_data() {
    QTest::addColumn<int>("channelCountByte");
    QTest::addColumn<bool>("emptyPaths");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::newRow("empty paths") << 0 << true
                                 << "Bad Filename.  Please check the name and path of the files."
                                 << int(QMessageBox::Warning);
    QTest::newRow("13 channels") << 13 << false
                                 << QString::fromStdString(
                                        "Unexpected error # 9 occurred: Subscript out of range\n"
                                        "Please report this error to " +
                                        std::string(quillet::kSupportAddress))
                                 << int(QMessageBox::Critical);
}

void Form1Test::failuresShowTheirMessage() {
    QFETCH(int, channelCountByte);
    QFETCH(bool, emptyPaths);
    QFETCH(QString, text);
    QFETCH(int, icon);
    LogContents log = quillet::support::drivingLog({33}, 3, 1);
    log.channelCountByte = static_cast<std::uint8_t>(channelCountByte);
    if (!emptyPaths) {
        m_form->txtInFile->setText(writeLog(log, "BadQMRX.pdb"));
        m_form->txtOutFile->setText(m_folder->filePath("bad.csv"));
    }
    m_form->ProgBar->setValue(50.0f);
    QSignalSpy beeped(m_form, &Form1::beeped);
    MessageBoxCatcher catcher;

    QTest::mouseClick(m_form->cmdConvert, Qt::LeftButton);

    QCOMPARE(catcher.shown.size(), 1);
    const MessageBoxCatcher::Shown& shown = catcher.shown.first();
    QCOMPARE(shown.caption, QString("Quillet"));
    QCOMPARE(shown.text, text);
    QCOMPARE(int(shown.icon), icon);
    QCOMPARE(shown.buttonCount, 1);
    QVERIFY(shown.applicationModal);
    QVERIFY(shown.busyPointer);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(m_form->ProgBar->Value(), 0.0f);
    QCOMPARE(m_form->ProgBar->value(), 0);
    QCOMPARE(beeped.count(), 0);
}

void Form1Test::progressBarTakesAnyRange_data() {
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("drawnSteps");
    QTest::newRow("start") << 0.0f << 100.0f << 0.0f << 0;
    QTest::newRow("middle") << 1.0f << 3.0f << 2.0f << 500;
    QTest::newRow("end") << 1.0f << 65534.0f << 65534.0f << 1000;
    QTest::newRow("below Min after a failure") << 1.0f << 9.0f << 0.0f << 0;
    QTest::newRow("above Max") << 1.0f << 9.0f << 12.0f << 1000;
    QTest::newRow("Max equal to Min") << 1.0f << 1.0f << 1.0f << 1000;
    QTest::newRow("Max below Min") << 1.0f << 0.0f << 1.0f << 1000;
    QTest::newRow("Max below Min, failed") << 1.0f << -1.0f << 0.0f << 0;
}

void Form1Test::progressBarTakesAnyRange() {
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(float, value);
    QFETCH(int, drawnSteps);
    m_form->setProgressMin(min);
    m_form->setProgressMax(max);
    m_form->setProgressValue(value);
    QCOMPARE(m_form->ProgBar->Value(), value);
    QCOMPARE(m_form->ProgBar->value(), drawnSteps);
}

// Counts the paint events a widget gets while the busy pointer shows.
class BusyPaintCounter : public QObject {
  public:
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && QApplication::overrideCursor()) ++count;
        return QObject::eventFilter(watched, event);
    }
};

void Form1Test::convertALongLog(const std::function<void()>& duringTheRun) {
    m_form->txtInFile->setText(
        writeLog(quillet::support::drivingLog({33, 38, 6, 19, 26, 41}, 65000, 20), "LongQMRX.pdb"));
    m_form->txtOutFile->setText(m_folder->filePath("long.csv"));
    bool ranDuringTheRun = false;
    QTimer::singleShot(0, m_form, [&] {
        ranDuringTheRun = QApplication::overrideCursor() != nullptr;
        duringTheRun();
    });
    QTest::mouseClick(m_form->cmdConvert, Qt::LeftButton);
    QVERIFY(ranDuringTheRun);
}

void Form1Test::inputDuringARunIsDropped() {
    const QString output = m_folder->filePath("long.csv");
    QSignalSpy beeped(m_form, &Form1::beeped);
    convertALongLog([this] {
        QTest::mouseClick(m_form->cmdConvert, Qt::LeftButton);
        QTest::keyClick(m_form->cmdConvert, Qt::Key_Space);
        QTest::keyClicks(m_form->txtOutFile, "typed");
        // A click still waiting in the queue when the run ends.
        const QPointF middle = m_form->cmdConvert->rect().center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(
                m_form->cmdConvert,
                new QMouseEvent(type, middle, m_form->cmdConvert->mapToGlobal(middle),
                                Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        }
    });
    QTest::qWait(200);
    QCOMPARE(beeped.count(), 1);
    QCOMPARE(m_form->txtOutFile->text(), output);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void Form1Test::paintsDuringARun() {
    BusyPaintCounter paints;
    m_form->Label1->installEventFilter(&paints);
    convertALongLog([this] { m_form->Label1->update(); });
    QVERIFY(paints.count > 0);
}

void Form1Test::droppedLogFillsThePathBoxes_data() {
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("outputBefore");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("one log") << QStringList{"Run7QMRX.pdb"} << "" << true << "Run7QMRX.pdb"
                             << "Run7QMRX.csv";
    QTest::newRow("first log of several")
        << QStringList{"notes.txt", "b/run2qmrx.PDB", "Run1QMRX.pdb"} << "" << true
        << "b/run2qmrx.PDB"
        << "b/run2qmrx.csv";
    QTest::newRow("output box kept")
        << QStringList{"Run7QMRX.pdb"} << "mine.csv" << true << "Run7QMRX.pdb"
        << "mine.csv";
    QTest::newRow("no log among them")
        << QStringList{"notes.txt", "Addresses.pdb"} << "" << false << ""
        << "";
}

void Form1Test::droppedLogFillsThePathBoxes() {
    QFETCH(QStringList, dropped);
    QFETCH(QString, outputBefore);
    QFETCH(bool, accepted);
    QFETCH(QString, input);
    QFETCH(QString, output);
    auto inFolder = [this](const QString& name) {
        return name.isEmpty() ? name : QDir::toNativeSeparators(m_folder->filePath(name));
    };
    QDir(m_folder->path()).mkdir("b");
    QList<QUrl> urls;
    for (const QString& name : dropped) {
        writeLog(quillet::support::drivingLog({33}, 2, 2), name);
        urls.push_back(QUrl::fromLocalFile(m_folder->filePath(name)));
    }
    m_form->txtOutFile->setText(inFolder(outputBefore));
    QMimeData files;
    files.setUrls(urls);
    const QPoint middle = m_form->rect().center();

    QDragEnterEvent enter(middle, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    QDropEvent drop(middle, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form, &drop);

    QCOMPARE(m_form->txtInFile->text(), inFolder(input));
    QCOMPARE(m_form->txtOutFile->text(), inFolder(output));
    QCOMPARE(QDir(m_folder->path()).entryList({"*.csv"}, QDir::Files), QStringList());
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
