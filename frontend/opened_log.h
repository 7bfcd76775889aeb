#pragma once

#include <string>
#include <string_view>

namespace quillet::frontend {

struct PathBoxTexts {
    std::string input;
    std::string output;
};

// The path boxes once a log is handed to the window, dropped on it or named as the program's
// argument: the log goes into the input box, and its CSV into the output box when that box is
// empty. Nothing is converted until "Convert" is pressed.
PathBoxTexts withOpenedLog(PathBoxTexts boxes, std::string_view logPath);

}  // namespace quillet::frontend
