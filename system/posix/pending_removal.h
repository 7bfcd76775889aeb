#pragma once

#include <string>

// The named temporary files that an interrupting signal removes before it ends the process,
// each as its open folder and its name: a signal handler may do little more than unlink them.
namespace quillet::system::posix {

// Registers the file `name` in the open folder `folder` before it is created, and returns the
// slot that withdraws it again; -1 when every slot is taken, and the file then stays behind
// an interruption.
int announceRemoval(int folder, const std::string& name);
void withdrawRemoval(int slot);

}  // namespace quillet::system::posix
