#include "system/command_line.h"

namespace quillet::system {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace quillet::system
