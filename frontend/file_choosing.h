#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "system/paths.h"

// Choosing the input log and the output file through the platform's file dialogs, and the
// folders remembered per user between uses. Texts are UTF-8 throughout.
namespace quillet::frontend {

// The open-file and save-file dialog, set up through its properties before each showing.
class FileDialog {
  public:
    // Only an existing file may be chosen in the open dialog.
    static constexpr std::uint32_t cdlOFNFileMustExist = 0x1000;
    // The save dialog asks before an existing file is chosen.
    static constexpr std::uint32_t cdlOFNOverwritePrompt = 0x2;

    virtual ~FileDialog() = default;

    std::string DialogTitle;
    // The folder to start in; the empty text leaves it to the dialog.
    std::string InitDir;
    // Description and pattern pairs, each part separated from the next by "|"; patterns
    // within one pair are separated by ";".
    std::string Filter;
    // The initial name; after a showing, the chosen file's full path, or as it was on cancel.
    std::string FileName;
    std::uint32_t Flags = 0;

    virtual void ShowOpen() = 0;
    virtual void ShowSave() = 0;
};

// The per-user settings store: text values addressed by application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored value, or whenMissing when the entry does not exist.
    virtual std::string read(std::string_view application, std::string_view section,
                             std::string_view key, std::string_view whenMissing) = 0;
    virtual void write(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view value) = 0;
};

enum class DialogKind { Open, Save };

// One kind of pick: what its dialog shows and where its folder is remembered.
struct FilePick {
    std::string_view title;
    std::string_view settingsKey;
    std::string_view folderWhenMissing;
    std::string_view filter;
    std::uint32_t flags;
    DialogKind kind;
};

inline constexpr FilePick kInputLogPick{
    "Choose a Vantrel Log to convert", "PalmDir",       "", "Vantrel Log Files (*.pdb)|*QMRX.pdb",
    FileDialog::cdlOFNFileMustExist,   DialogKind::Open};
inline constexpr FilePick kOutputFilePick{"Save File",
                                          "OutDir",
                                          "c:\\",
                                          "Comma Delimited Files (*.csv)|*.csv|All Files (*.*)|*.*",
                                          FileDialog::cdlOFNOverwritePrompt,
                                          DialogKind::Save};

inline constexpr std::string_view kSettingsApplication = "Riravazev";
inline constexpr std::string_view kSettingsSection = "LastDirs";

// The longest folder, in the units the platform names files in, that a file dialog is started in.
// Windows' dialogs copy the folder into buffers of MAX_PATH (260) UTF-16 units and add a "\" and
// a pattern to it, so the limit is the longest folder Win32 names in MAX_PATH: room is left for
// an 8.3 file name (MAX_PATH - 12). Qt's dialog takes a folder of any length.
inline constexpr std::size_t kLongestDialogFolder =
    system::kWindowsPaths ? 248 : std::numeric_limits<std::size_t>::max();

// Shows the pick's dialog, starting in the remembered folder, and remembers the chosen file's
// folder. A remembered folder that is no existing folder, or is longer than the dialog takes,
// is read as a missing one. Returns the chosen path for its box, or nothing when the dialog was
// cancelled.
std::optional<std::string> chooseFile(const FilePick& pick, FileDialog& dialog,
                                      SettingsStore& settings);

// One choice of a filter: its description and its patterns.
struct FilterChoice {
    std::string description;
    std::vector<std::string> patterns;
};

std::vector<FilterChoice> filterChoices(std::string_view filter);

}  // namespace quillet::frontend
