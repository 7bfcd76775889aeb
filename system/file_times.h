#pragma once

#include <filesystem>

// The times files were last written, by which an output is judged up to date with its log.
namespace quillet::system {

// Whether the file at `output` exists and was written after the file at `source` last changed.
// One of the same time was not: file systems that keep coarse times (the FAT cards and sticks
// logs are often copied from) give a log and an output written soon after it the same time.
bool writtenAfter(const std::filesystem::path& output, const std::filesystem::path& source);

}  // namespace quillet::system
