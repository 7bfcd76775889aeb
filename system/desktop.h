#pragma once

#include <filesystem>

// What the programs ask of the user's desktop: where files that can be made again are kept, and
// the default browser. Declared once here, defined in posix/desktop.cpp or windows/desktop.cpp,
// whichever the build picks. Failures are thrown as quillet::Failure.
namespace quillet::system {

// The user's own folder for files that a program can make again: $XDG_CACHE_HOME, or ~/.cache
// without it, on POSIX systems; the local application data folder (%LOCALAPPDATA%) on Windows.
// It may not exist yet. Fails as a bad file name when the system names none.
std::filesystem::path userCacheFolder();

// Opens the file in the user's default browser (xdg-open; on Windows the program the file's
// type opens with) and returns once the browser has it.
void openInBrowser(const std::filesystem::path& page);

}  // namespace quillet::system
