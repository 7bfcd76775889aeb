#pragma once

#include <optional>
#include <string>
#include <string_view>

// The names of the temporary files that replacement files are written under until they take
// their output's place: hidden, and telling which process wrote them.
namespace quillet {

// ".quillet-<process>-<n>.tmp", a name no other run of this or another process picks at the
// same moment.
std::string nextTemporaryName(unsigned long process);

// The process that wrote a file of such a name; nothing for any other name.
std::optional<unsigned long> writerOfTemporaryName(std::string_view name);

}  // namespace quillet
