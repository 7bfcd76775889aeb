#include "cli/console.h"
#include "cli/converter.h"
#include "system/command_line.h"
#include "system/interruption.h"

int main(int argc, char** argv) {
    quillet::system::removeTemporaryFilesOnInterruption();
    quillet::StandardConsole console;
    return quillet::runConverter(quillet::system::commandLineArguments(argc, argv), console);
}
