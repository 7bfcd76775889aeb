#include "command_line.h"
#include "converter.h"
#include "platform.h"

int main(int argc, char** argv) {
    quillet::platform::removeTemporaryFileOnInterruption();
    return quillet::runConverter(quillet::program::commandLineArguments(argc, argv));
}
