#include "system/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "conversion/failure.h"
#include "conversion/number_text.h"

extern char** environ;

namespace quillet::system {
namespace {

// A folder named by an environment variable; the XDG base directory rules have a relative one
// ignored, as must be an empty one.
const char* absoluteFolderIn(const char* variable) {
    const char* folder = std::getenv(variable);
    return folder != nullptr && folder[0] == '/' ? folder : nullptr;
}

[[noreturn]] void failToOpen(const std::string& why) {
    throw Failure(FailureNumber::InternalError,
                  "The page could not be opened in a browser (" + why + ")");
}

}  // namespace

std::filesystem::path userCacheFolder() {
    if (const char* cache = absoluteFolderIn("XDG_CACHE_HOME")) return cache;
    if (const char* home = absoluteFolderIn("HOME")) return std::filesystem::path(home) / ".cache";
    throw Failure(FailureNumber::PathFileAccessError,
                  "Neither XDG_CACHE_HOME nor HOME names a folder for the cache");
}

// xdg-open is started without a shell, so that no character of the path means anything but
// itself. It is waited for, so that its failure shows: with a desktop it returns as soon as the
// browser has the page.
void openInBrowser(const std::filesystem::path& page) {
    std::string program = "xdg-open";
    std::string file = page.string();
    char* const arguments[] = {program.data(), file.data(), nullptr};
    pid_t child = 0;
    if (const int error =
            posix_spawnp(&child, program.c_str(), nullptr, nullptr, arguments, environ)) {
        failToOpen("xdg-open: " + std::generic_category().message(error));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) failToOpen("xdg-open: " + std::generic_category().message(errno));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        failToOpen("xdg-open ended with status " + decimalDigits(code));
    }
}

}  // namespace quillet::system
