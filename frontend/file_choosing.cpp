#include "frontend/file_choosing.h"

#include <filesystem>

#include "system/folders.h"

namespace quillet::frontend {
namespace {

bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A path's folder: its leading characters up to and including its last separator ("\" on
// Windows, "/" elsewhere), or the empty text when it holds none.
std::string folderPart(std::string_view path) {
    const std::size_t last =
        path.rfind(static_cast<char>(std::filesystem::path::preferred_separator));
    return std::string(last == std::string_view::npos ? std::string_view()
                                                      : path.substr(0, last + 1));
}

// Where the pick's dialog starts: the remembered folder when the dialog can start in it, else
// where it starts without one.
std::string startingFolder(const FilePick& pick, SettingsStore& settings) {
    std::string folder = settings.read(kSettingsApplication, kSettingsSection, pick.settingsKey,
                                       pick.folderWhenMissing);
    const std::filesystem::path path = system::pathFromUtf8(folder);
    if (path.native().size() > kLongestDialogFolder || !system::isFolder(path)) {
        return std::string(pick.folderWhenMissing);
    }
    return folder;
}

}  // namespace

std::optional<std::string> chooseFile(const FilePick& pick, FileDialog& dialog,
                                      SettingsStore& settings) {
    // The one dialog serves both kinds of pick, so each showing sets every property afresh.
    dialog.DialogTitle = pick.title;
    dialog.InitDir = startingFolder(pick, settings);
    dialog.Filter = pick.filter;
    dialog.FileName.clear();
    dialog.Flags = pick.flags;
    if (pick.kind == DialogKind::Open) {
        dialog.ShowOpen();
    } else {
        dialog.ShowSave();
    }

    std::string chosen = dialog.FileName;
    if (isBlank(chosen)) {
        return std::nullopt;
    }
    settings.write(kSettingsApplication, kSettingsSection, pick.settingsKey, folderPart(chosen));
    return chosen;
}

std::vector<FilterChoice> filterChoices(std::string_view filter) {
    const std::vector<std::string_view> parts = split(filter, '|');
    std::vector<FilterChoice> choices;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FilterChoice choice{std::string(parts[i]), {}};
        for (std::string_view pattern : split(parts[i + 1], ';')) {
            if (!pattern.empty()) choice.patterns.emplace_back(pattern);
        }
        choices.push_back(std::move(choice));
    }
    return choices;
}

}  // namespace quillet::frontend
