#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "console_services.h"
#include "conversion_run.h"
#include "platform_file.h"

namespace {

constexpr const char* kUsage = "usage: quillet-convert [--name NAME] INPUT OUTPUT\n";

void printHelp() {
    std::printf(
        "%s"
        "Converts a Vantrel engine log (*QMRX.pdb) into a CSV file that a spreadsheet opens.\n"
        "\n"
        "  INPUT        the log database copied from the handheld;\n"
        "               - reads it from standard input\n"
        "  OUTPUT       the CSV file to write, replacing any file of that name once the\n"
        "               CSV is complete; - writes the CSV to standard output\n"
        "  --name NAME  the name on the CSV's first line for a log read from standard\n"
        "               input (default: -)\n"
        "\n"
        "Exit status: 0 when converted, 1 when the conversion failed, 2 on wrong usage.\n",
        kUsage);
}

// Removes `option` and the value after it from the arguments. An option without a value is
// returned as an empty text, which is wrong usage.
std::optional<std::string> takeOption(std::vector<std::string>& arguments,
                                      const std::string& option) {
    const auto found = std::find(arguments.begin(), arguments.end(), option);
    if (found == arguments.end()) return std::nullopt;
    if (found + 1 == arguments.end()) {
        arguments.erase(found);
        return std::string();
    }
    std::string value = *(found + 1);
    arguments.erase(found, found + 2);
    return value;
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
    std::vector<std::string> paths(arguments.begin() + 1, arguments.end());
    const std::optional<std::string> name = takeOption(paths, "--name");
    if (paths.size() != 2 || (name && (name->empty() || paths[0] != "-"))) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const std::string& input = paths[0];
    const std::string& output = paths[1];
    std::unique_ptr<quillet::LogInput> log;
    if (input == "-") {
        log = std::make_unique<quillet::StandardInputLog>(name.value_or("-"));
    } else {
        log = std::make_unique<quillet::FileLogInput>(input);
    }
    std::unique_ptr<quillet::OutputTarget> target;
    if (output == "-") {
        target = std::make_unique<quillet::StandardOutputTarget>();
    } else {
        target = std::make_unique<quillet::FileOutputTarget>(
            output, input == "-" ? std::nullopt : std::optional(input));
    }
    quillet::platform::removeTemporaryFileOnInterruption();
    quillet::ConsoleServices console;
    return quillet::convertLog(*log, *target, console) == quillet::ConversionOutcome::Converted ? 0
                                                                                                : 1;
}
