#pragma once

#include "conversion/byte_io.h"

// What the programs do when they are interrupted: declared once here, defined in
// posix/interruption.cpp or windows/interruption.cpp, whichever the build picks.
namespace quillet::system {

// Lets SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and a closed console) remove
// the named temporary files of a run before they end the process as they would have, and makes
// a file size limit a failed write rather than the end of the process.
void removeTemporaryFilesOnInterruption();

// Holds those interruptions while a run's outputs take their places: one that comes meanwhile
// ends the program once every output is in place, or once those moved were put back.
InterruptionHold& interruptionHold();

}  // namespace quillet::system
