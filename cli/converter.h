#pragma once

#include <string>
#include <vector>

#include "cli/console.h"

namespace quillet {

// Carries out a quillet-convert command line (arguments[0] being the program), its texts on the
// console, and returns its exit status: 0 when every log converted, 1 when any failed, 2 on
// wrong usage.
int runConverter(const std::vector<std::string>& arguments, Console& console);

}  // namespace quillet
