#pragma once

#include <string>
#include <string_view>

// The names of the temporary files that replacement files are written under until they take
// their output's place, and of what they replace while the others of a run take theirs: hidden,
// and unique to the process that made them.
namespace quillet::system {

enum class TemporaryKind {
    // ".quillet-<process>-<n>.tmp": a file that a run removes once the run that made it has
    // ended, since no output depends on it.
    Removable,
    // ".quillet-<process>-<n>.old": a replaced output moved aside, which a run ended between two
    // moves leaves as the only copy of what the output held.
    Kept,
};

// A name no other run of this or another process picks at the same moment.
std::string nextTemporaryName(unsigned long process, TemporaryKind kind = TemporaryKind::Removable);

// Whether a file of this name is a removable temporary file.
bool isRemovableTemporaryName(std::string_view name);

}  // namespace quillet::system
