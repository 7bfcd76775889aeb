#include "qt/common_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <utility>

namespace quillet::qt {

namespace {

// Qt's file dialog keeps a history of its own, shared by every Qt program, and starts in its
// last folder when given none. The program's only memory between uses is its two remembered
// folders, so the dialog's own is put back as it was once the dialog has gone.
class QtDialogHistoryKeeper {
  public:
    QtDialogHistoryKeeper() {
        m_settings.beginGroup(QStringLiteral("FileDialog"));
        for (const QString& key : m_settings.childKeys()) m_kept.insert(key, m_settings.value(key));
    }
    ~QtDialogHistoryKeeper() {
        m_settings.remove(QString());
        for (auto entry = m_kept.cbegin(); entry != m_kept.cend(); ++entry) {
            m_settings.setValue(entry.key(), entry.value());
        }
    }
    QtDialogHistoryKeeper(const QtDialogHistoryKeeper&) = delete;
    QtDialogHistoryKeeper& operator=(const QtDialogHistoryKeeper&) = delete;

  private:
    QSettings m_settings{QSettings::UserScope, QStringLiteral("QtProject")};
    QVariantMap m_kept;
};

// A folder that does not exist (such as "c:\" here) starts the dialog where it starts by
// itself, rather than being taken for a file name.
QString startingFolder(const std::string& initDir) {
    const QString folder = QString::fromStdString(initDir);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::currentPath();
}

}  // namespace

CommonDialog::CommonDialog(QWidget* parent) : m_parent(parent) {}

void CommonDialog::ShowOpen() { show(Kind::Open); }

void CommonDialog::ShowSave() { show(Kind::Save); }

QStringList CommonDialog::qtNameFilters(const std::string& filter) {
    QStringList filters;
    for (const auto& choice : frontend::filterChoices(filter)) {
        QStringList patterns;
        for (const std::string& pattern : choice.patterns) {
            // On Windows "*.*" lists every file, also those without a dot in their names.
            patterns << (pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(pattern));
        }
        // Qt takes the last parenthesised group as the patterns, and with the details hidden
        // shows what stands before it: the description as written, "(*.pdb)" and all.
        filters << QString::fromStdString(choice.description) + QStringLiteral(" (") +
                       patterns.join(u' ') + u')';
    }
    return filters;
}

void CommonDialog::show(Kind kind) {
    if (m_script) {
        const QString chosen = std::exchange(m_script, nullptr)(*this, kind);
        if (!chosen.isEmpty()) FileName = chosen.toStdString();
        return;
    }
    const QtDialogHistoryKeeper historyKeeper;
    QFileDialog dialog(m_parent, QString::fromStdString(DialogTitle), startingFolder(InitDir));
    // Qt's own dialog on every platform: native ones read the filter descriptions their own
    // way and would not show "(*.pdb)" above a list of "*QMRX.pdb" files.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(qtNameFilters(Filter));
    if (kind == Kind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((Flags & cdlOFNFileMustExist) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(Flags & cdlOFNOverwritePrompt));
    }
    if (!FileName.empty()) {
        dialog.selectFile(QString::fromStdString(FileName));
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        FileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
    }
}

}  // namespace quillet::qt
