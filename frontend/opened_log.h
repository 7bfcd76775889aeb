#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::frontend {

struct PathBoxTexts {
    std::string input;
    std::string output;
};

// The path boxes once a log is handed to the window, dropped on it or named as the program's
// argument: the log goes into the input box, and its CSV into the output box when that box is
// empty. Nothing is converted until "Convert" is pressed.
PathBoxTexts withOpenedLog(PathBoxTexts boxes, std::string_view logPath);

// What the window program's arguments ask of it, read before any toolkit sees them, so that a
// log named like a toolkit's option ("-reverse") is a log.
struct WindowProgramStart {
    // "--page LOG…": the logs whose page to show, without a window; several are compared.
    std::optional<std::vector<std::string>> pageLogs;
    // "LOG", as a file manager's "Open with" passes it: the log to open in the window, made
    // absolute; nothing for no argument or an empty one, which open the window empty.
    std::optional<std::string> log;
};
WindowProgramStart readWindowArguments(const std::vector<std::string>& arguments);

}  // namespace quillet::frontend
