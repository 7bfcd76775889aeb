#pragma once

#include <filesystem>

// The temporary files that a console event removes before the process ends. They are opened
// with FILE_SHARE_DELETE, so that the handler, which runs on a thread of its own, can delete
// them while they are open.
namespace quillet::system::windows {

// Registers the file at `path` before it is created, and returns the slot that withdraws it
// again; -1 when every slot is taken or the path is too long to keep, and the file then stays
// behind an interruption.
int announceRemoval(const std::filesystem::path& path);
void withdrawRemoval(int slot);

// Removes every announced file now, for an end of the process that leaves no destructor to.
void removeAnnouncedFiles();

}  // namespace quillet::system::windows
