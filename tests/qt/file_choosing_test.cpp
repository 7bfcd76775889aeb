#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "qt/form1.h"

using quillet::qt::CommonDialog;
using quillet::qt::Form1;

namespace {

const QString kInputTitle = "Choose a Vantrel Log to convert";
const QString kInputFilter = "Vantrel Log Files (*.pdb)|*QMRX.pdb";
const QString kOutputFilter = "Comma Delimited Files (*.csv)|*.csv|All Files (*.*)|*.*";

// What the dialog was asked to show.
struct Showing {
    CommonDialog::Kind kind;
    QString title;
    QString initDir;
    QString filter;
    QString fileName;
    int flags;
};

}  // namespace

class FileChoosingTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void picksFillTheBoxAndRememberTheFolder_data();
    void picksFillTheBoxAndRememberTheFolder();
    void nextPickStartsInTheRememberedFolder();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void nameWithoutSeparatorStoresAnEmptyFolder();
    void qtFiltersShowTheDescriptionAsWritten();
    void realOpenDialogListsOnlyLogFiles();
    void realDialogsStartInTheirOwnFolderAndKeepNoHistory();

  private:
    Showing browse(QPushButton* button, const QString& choice);
    QString stored(const QString& key) {
        return settings().value("LastDirs/" + key, "<missing>").toString();
    }
    static QSettings settings() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Riravazev");
    }

    QTemporaryDir m_settingsFolder;
    QTemporaryDir* m_folder = nullptr;
    Form1* m_form = nullptr;
};

void FileChoosingTest::initTestCase() {
    QVERIFY(m_settingsFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsFolder.path());
}

void FileChoosingTest::init() {
    settings().clear();
    m_folder = new QTemporaryDir;
    m_form = new Form1;
    m_form->show();
}

void FileChoosingTest::cleanup() {
    delete m_form;
    delete m_folder;
}

Showing FileChoosingTest::browse(QPushButton* button, const QString& choice) {
    Showing showing{};
    m_form->ComDiag.FileName = "left over";
    m_form->ComDiag.scriptNextShowing([&](const CommonDialog& dialog, CommonDialog::Kind kind) {
        showing = {kind,
                   QString::fromStdString(dialog.DialogTitle),
                   QString::fromStdString(dialog.InitDir),
                   QString::fromStdString(dialog.Filter),
                   QString::fromStdString(dialog.FileName),
                   static_cast<int>(dialog.Flags)};
        return choice;
    });
    QTest::mouseClick(button, Qt::LeftButton);
    return showing;
}

void FileChoosingTest::picksFillTheBoxAndRememberTheFolder_data() {
    QTest::addColumn<bool>("input");
    QTest::newRow("input log") << true;
    QTest::newRow("output file") << false;
}

void FileChoosingTest::picksFillTheBoxAndRememberTheFolder() {
    QFETCH(bool, input);
    QLineEdit* box = input ? m_form->txtInFile : m_form->txtOutFile;
    QLineEdit* other = input ? m_form->txtOutFile : m_form->txtInFile;
    box->setText("typed before");
    other->setText("untouched");
    const QString folder = QDir::toNativeSeparators(m_folder->path() + "/Logs/");
    const QString chosen = folder + (input ? "Run7QMRX.pdb" : "report");

    const Showing showing = browse(input ? m_form->cmdInBrowse : m_form->cmdOutBrowse, chosen);

    QCOMPARE(showing.kind, input ? CommonDialog::Kind::Open : CommonDialog::Kind::Save);
    QCOMPARE(showing.title, input ? kInputTitle : QString("Save File"));
    QCOMPARE(showing.initDir, input ? QString() : QString("c:\\"));
    QCOMPARE(showing.filter, input ? kInputFilter : kOutputFilter);
    QCOMPARE(showing.fileName, QString());
    QCOMPARE(showing.flags, input ? 4096 : 2);
    QCOMPARE(box->text(), chosen);
    QCOMPARE(other->text(), QString("untouched"));
    QCOMPARE(stored(input ? "PalmDir" : "OutDir"), folder);
    QCOMPARE(stored(input ? "OutDir" : "PalmDir"), QString("<missing>"));
}

void FileChoosingTest::nextPickStartsInTheRememberedFolder() {
    const QString logs = QDir::toNativeSeparators(m_folder->path() + "/Logs/");
    const QString csvs = QDir::toNativeSeparators(m_folder->path() + "/Csv/");
    QVERIFY(QDir().mkpath(logs) && QDir().mkpath(csvs));
    browse(m_form->cmdInBrowse, logs + "Run7QMRX.pdb");
    browse(m_form->cmdOutBrowse, csvs + "out.csv");
    QCOMPARE(browse(m_form->cmdInBrowse, QString()).initDir, logs);
    const Showing output = browse(m_form->cmdOutBrowse, QString());
    QCOMPARE(output.initDir, csvs);
    QCOMPARE(output.title, QString("Save File"));
    QCOMPARE(output.flags, 2);
}

void FileChoosingTest::cancelChangesNothing_data() {
    QTest::addColumn<bool>("afterPicks");
    QTest::addColumn<QString>("answer");
    QTest::newRow("first use") << false << "";
    QTest::newRow("after picks") << true << "";
    QTest::newRow("spaces only") << true << "   ";
}

void FileChoosingTest::cancelChangesNothing() {
    QFETCH(bool, afterPicks);
    QFETCH(QString, answer);
    if (afterPicks) {
        browse(m_form->cmdInBrowse, QDir::toNativeSeparators(m_folder->path() + "/a/InQMRX.pdb"));
        browse(m_form->cmdOutBrowse, QDir::toNativeSeparators(m_folder->path() + "/b/out.csv"));
    }
    const QString inText = m_form->txtInFile->text();
    const QString outText = m_form->txtOutFile->text();
    const QString palmDir = stored("PalmDir");
    const QString outDir = stored("OutDir");

    browse(m_form->cmdInBrowse, answer);
    browse(m_form->cmdOutBrowse, answer);

    QCOMPARE(m_form->txtInFile->text(), inText);
    QCOMPARE(m_form->txtOutFile->text(), outText);
    QCOMPARE(stored("PalmDir"), palmDir);
    QCOMPARE(stored("OutDir"), outDir);
}

void FileChoosingTest::nameWithoutSeparatorStoresAnEmptyFolder() {
    browse(m_form->cmdInBrowse, "Run7QMRX.pdb");
    QCOMPARE(m_form->txtInFile->text(), QString("Run7QMRX.pdb"));
    QCOMPARE(stored("PalmDir"), QString());
    QCOMPARE(browse(m_form->cmdInBrowse, QString()).initDir, QString());
}

void FileChoosingTest::qtFiltersShowTheDescriptionAsWritten() {
    QCOMPARE(CommonDialog::qtNameFilters(kInputFilter.toStdString()),
             QStringList{"Vantrel Log Files (*.pdb) (*QMRX.pdb)"});
    QCOMPARE(CommonDialog::qtNameFilters(kOutputFilter.toStdString()),
             (QStringList{"Comma Delimited Files (*.csv) (*.csv)", "All Files (*.*) (*)"}));
    QCOMPARE(CommonDialog::qtNameFilters("Logs|*.pdb;*.prc"), QStringList{"Logs (*.pdb *.prc)"});
}

void FileChoosingTest::realOpenDialogListsOnlyLogFiles() {
    const QString logs = m_folder->path() + "/Logs/";
    QVERIFY(QDir().mkpath(logs));
    for (const char* name :
         {"Run1QMRX.pdb", "Run2QMRX.pdb", "Other.pdb", "notes.txt", "Run3QMRX.pdb.bak"}) {
        QFile file(logs + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    settings().setValue("LastDirs/PalmDir", QDir::toNativeSeparators(logs));

    QStringList listed;
    QString shownFilter;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        title = dialog->windowTitle();
        shownFilter = dialog->findChild<QComboBox*>("fileTypeCombo")->currentText();
        auto* view = dialog->findChild<QAbstractItemView*>("listView");
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 2);
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
        }
        dialog->reject();
    });
    QTest::mouseClick(m_form->cmdInBrowse, Qt::LeftButton);

    QCOMPARE(title, kInputTitle);
    QCOMPARE(shownFilter, QString("Vantrel Log Files (*.pdb)"));
    listed.sort();
    QCOMPARE(listed, (QStringList{"Run1QMRX.pdb", "Run2QMRX.pdb"}));
    QCOMPARE(m_form->txtInFile->text(), QString());
}

void FileChoosingTest::realDialogsStartInTheirOwnFolderAndKeepNoHistory() {
    const QString elsewhere = m_folder->path() + "/Elsewhere";
    const QString csvs = m_folder->path() + "/Csv";
    QVERIFY(QDir().mkpath(elsewhere) && QDir().mkpath(csvs));
    QSettings qtDialogs(QSettings::UserScope, "QtProject");
    qtDialogs.setValue("FileDialog/lastVisited", QUrl::fromLocalFile(elsewhere));
    qtDialogs.setValue("FileDialog/history", QStringList{elsewhere});
    qtDialogs.sync();
    const QByteArray storedBefore = [&] {
        QFile file(qtDialogs.fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(!storedBefore.isEmpty());

    // No "OutDir" yet: "c:\" names no folder here, so the dialog starts in its own.
    QString startedIn;
    QString typedName;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        startedIn = dialog->directory().absolutePath();
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        typedName = nameBox->text();
        dialog->setDirectory(csvs);
        nameBox->setText("out.csv");
        QTest::keyClick(nameBox, Qt::Key_Return);
    });
    QTest::mouseClick(m_form->cmdOutBrowse, Qt::LeftButton);
    QCOMPARE(startedIn, QDir::currentPath());
    QCOMPARE(typedName, QString());
    QCOMPARE(m_form->txtOutFile->text(), QDir::toNativeSeparators(csvs + "/out.csv"));

    // Nothing of the output pick leaks into the first input pick.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        startedIn = dialog->directory().absolutePath();
        dialog->reject();
    });
    QTest::mouseClick(m_form->cmdInBrowse, Qt::LeftButton);
    QCOMPARE(startedIn, QDir::currentPath());

    QFile stored(qtDialogs.fileName());
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), storedBefore);
}

QTEST_MAIN(FileChoosingTest)
#include "file_choosing_test.moc"
