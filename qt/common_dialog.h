#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The open-file and save-file dialog, set up through properties before each showing, over
// Qt's file dialog. Tests may script the next choice instead of showing the dialog.
class CommonDialog {
  public:
    // Only an existing file may be chosen in the open dialog.
    static constexpr int cdlOFNFileMustExist = 0x1000;
    // The save dialog asks before an existing file is chosen.
    static constexpr int cdlOFNOverwritePrompt = 0x2;

    explicit CommonDialog(QWidget* parent);

    QString DialogTitle;
    QString InitDir;
    // Description and pattern pairs, each part separated from the next by "|"; patterns
    // within one pair are separated by ";".
    QString Filter;
    // The initial name; after a showing, the chosen file's full path, or as it was on cancel.
    QString FileName;
    int Flags = 0;

    enum class Kind { Open, Save };

    void ShowOpen();
    void ShowSave();

    // The filter as Qt's file dialog takes it: one entry per pair, showing the description
    // as written while matching the pair's patterns.
    static QStringList qtNameFilters(const QString& filter);

    // Answers the next showing in place of the user: the script sees the dialog as it would
    // have been shown and returns the chosen file, or the empty text for a cancel.
    using Script = std::function<QString(const CommonDialog& dialog, Kind kind)>;
    void scriptNextShowing(Script script) { m_script = std::move(script); }

  private:
    void show(Kind kind);

    QWidget* m_parent;
    Script m_script;
};
