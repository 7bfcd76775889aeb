#pragma once

#include <QStringList>
#include <functional>

#include "frontend/file_choosing.h"

class QWidget;

namespace quillet::qt {

// The open-file and save-file dialog over Qt's file dialog. Tests may script the next choice
// instead of showing the dialog.
class CommonDialog : public frontend::FileDialog {
  public:
    using Kind = frontend::DialogKind;

    explicit CommonDialog(QWidget* parent);

    void ShowOpen() override;
    void ShowSave() override;

    // The filter as Qt's file dialog takes it: one entry per pair, showing the description
    // as written while matching the pair's patterns.
    static QStringList qtNameFilters(const std::string& filter);

    // Answers the next showing in place of the user: the script sees the dialog as it would
    // have been shown and returns the chosen file, or the empty text for a cancel.
    using Script = std::function<QString(const CommonDialog& dialog, Kind kind)>;
    void scriptNextShowing(Script script) { m_script = std::move(script); }

  private:
    void show(Kind kind);

    QWidget* m_parent;
    Script m_script;
};

}  // namespace quillet::qt
