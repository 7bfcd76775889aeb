#include "common_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <algorithm>
#include <utility>

CommonDialog::CommonDialog(QWidget* parent) : m_parent(parent) {}

void CommonDialog::ShowOpen() { show(Kind::Open); }

void CommonDialog::ShowSave() { show(Kind::Save); }

QStringList CommonDialog::qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        // On Windows "*.*" lists every file, also those without a dot in their names.
        std::replace(patterns.begin(), patterns.end(), QStringLiteral("*.*"), QStringLiteral("*"));
        // Qt takes the last parenthesised group as the patterns, and with the details hidden
        // shows what stands before it: the description as written, "(*.pdb)" and all.
        filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

void CommonDialog::show(Kind kind) {
    if (m_script) {
        const QString chosen = std::exchange(m_script, nullptr)(*this, kind);
        if (!chosen.isEmpty()) FileName = chosen;
        return;
    }
    QFileDialog dialog(m_parent, DialogTitle, InitDir);
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
    if (!FileName.isEmpty()) {
        dialog.selectFile(FileName);
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        FileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    }
}
