#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "console_services.h"
#include "conversion_run.h"

namespace {

constexpr const char* kUsage = "usage: quillet-convert INPUT OUTPUT\n";

void printHelp() {
    std::printf(
        "%s"
        "Converts a Vantrel engine log (*QMRX.pdb) into a CSV file that a spreadsheet opens.\n"
        "\n"
        "  INPUT    the log database copied from the handheld\n"
        "  OUTPUT   the CSV file to write, replacing any file of that name;\n"
        "           - writes the CSV to standard output\n"
        "\n"
        "Exit status: 0 when converted, 1 when the conversion failed, 2 on wrong usage.\n",
        kUsage);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = quillet::commandLineArguments(argc, argv);
    if (arguments.size() == 2 && arguments[1] == "--help") {
        printHelp();
        return 0;
    }
    if (arguments.size() == 2 && arguments[1] == "--version") {
        std::printf("quillet-convert %s\n", QUILLET_VERSION);
        return 0;
    }
    if (arguments.size() != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const std::string& input = arguments[1];
    const std::string& output = arguments[2];
    quillet::ConsoleServices console;
    quillet::ConversionOutcome outcome;
    if (output == "-") {
        quillet::StandardOutputTarget standardOutput;
        outcome = quillet::convertLog(input, standardOutput, console);
    } else {
        outcome = quillet::convertLog(input, output, console);
    }
    return outcome == quillet::ConversionOutcome::Converted ? 0 : 1;
}
