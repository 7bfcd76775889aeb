#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

namespace quillet {
namespace {

constexpr const char* kUsage =
    "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
    "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n"
    "       quillet-convert [OPTIONS] --plot SVG INPUT [OUTPUT]\n"
    "       quillet-convert --summary INPUT...\n";

constexpr const char* kDescription =
    "\n"
    "Converts Vantrel engine logs (*QMRX.pdb) into CSV files that a spreadsheet opens.\n"
    "\n"
    "  INPUT    a log database copied from the handheld; - reads it from standard input;\n"
    "           with --output-dir or --summary also a folder, standing for its files named\n"
    "           *QMRX.pdb (any letter case)\n"
    "  OUTPUT   the CSV file to write, replacing any file of that name once the CSV is\n"
    "           whole; - writes the CSV to standard output\n";

constexpr const char* kFooter =
    "Examples:\n"
    "  quillet-convert Run7QMRX.pdb Run7.csv\n"
    "  quillet-convert --output-dir csv --update Backup/\n"
    "  quillet-convert --separator ';' --decimal , Run7QMRX.pdb Run7.csv\n"
    "  quillet-convert --plot Run7.svg Run7QMRX.pdb\n"
    "  quillet-convert --output-dir csv --plot Backup/\n"
    "  quillet-convert --summary Backup/\n"
    "\n"
    "Exit status: 0 when every log converted, 1 when any failed, 2 on wrong usage.";

// Help that starts with the usage lines of every way the program is called, and names each
// option with its value alone.
class HelpFormatter : public CLI::Formatter {
  public:
    HelpFormatter() { column_width(22); }
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string(kUsage) + kDescription;
    }
    std::string make_option_opts(const CLI::Option* option) const override {
        const std::string& value = option->get_type_name();
        return value.empty() ? value : " " + value;
    }
};

// With --output-dir, --plot names no file, yet CLI11 hands it the word that follows it: that
// word is an INPUT, put back in its place among the others.
void restoreInput(const CLI::App& app, const CLI::Option* plot, const std::string& word,
                  std::vector<std::string>& inputs) {
    std::size_t inputsBefore = 0;
    for (const CLI::Option* parsed : app.parse_order()) {
        if (parsed == plot) break;
        if (parsed->get_positional()) ++inputsBefore;
    }
    inputs.insert(inputs.begin() + static_cast<std::ptrdiff_t>(inputsBefore), word);
}

}  // namespace

int usageError(const std::string& reason) {
    std::fprintf(stderr, "quillet-convert: %s\n%s", reason.c_str(), kUsage);
    return 2;
}

std::variant<ConverterOptions, int> parseCommandLine(const std::vector<std::string>& arguments) {
    ConverterOptions options;
    std::string separator = ",";
    std::string decimalMark = ".";
    bool summary = false;
    std::string picture;

    CLI::App app("", "quillet-convert");
    app.formatter(std::make_shared<HelpFormatter>());
    // Windows paths may start with "/", which must never pass for an option.
    app.allow_windows_style_options(false);
    app.footer(kFooter);
    app.set_help_flag("--help", "Print this help and exit.");
    bool version = false;
    app.add_flag("--version", version, "Print the program's version and exit.");
    CLI::Option* outputDir = app.add_option("--output-dir", options.outputDir,
                                            "Convert every INPUT into a CSV in DIR, created\n"
                                            "when missing, each named after its log with\n"
                                            ".csv for .pdb: Run7QMRX.pdb gives\n"
                                            "DIR/Run7QMRX.csv. A log that fails is reported\n"
                                            "and the others go on.\n"
                                            "Example: --output-dir csv Backup/");
    outputDir->type_name("DIR");
    CLI::Option* update = app.add_flag("--update", options.update,
                                       "Skip a CSV or picture that exists and is newer\n"
                                       "than its log.\n"
                                       "Example: --output-dir csv --update Backup/");
    CLI::Option* plot = app.add_option("--plot", picture,
                                       "Draw the log as an SVG picture: a strip chart\n"
                                       "per channel, with its smallest and largest\n"
                                       "value, over one time axis. SVG is the picture's\n"
                                       "file (- for standard output); the CSV is\n"
                                       "written too when OUTPUT is given. With\n"
                                       "--output-dir, --plot takes no SVG and draws\n"
                                       "each picture beside its CSV: Run7QMRX.pdb\n"
                                       "gives DIR/Run7QMRX.svg.\n"
                                       "Example: --plot Run7.svg Run7QMRX.pdb\n"
                                       "Example: --output-dir csv --plot Backup/")
                            ->expected(0, 1)
                            ->type_name("[SVG]");
    CLI::Option* separatorOption = app.add_option("--separator", separator,
                                                  "What joins the cells: , (the default), ;\n"
                                                  "or tab.\n"
                                                  "Example: --separator tab Run7QMRX.pdb Run7.csv")
                                       ->check(CLI::IsMember({",", ";", "tab"}).description(""))
                                       ->type_name("SEP");
    CLI::Option* decimalOption = app.add_option("--decimal", decimalMark,
                                                "The decimal mark of the values and the times:\n"
                                                ". (the default) or , (with --separator ; or\n"
                                                "tab).\n"
                                                "Example: --separator ';' --decimal , Run7QMRX.pdb "
                                                "Run7.csv")
                                     ->check(CLI::IsMember({".", ","}).description(""))
                                     ->type_name("MARK");
    app.add_option("--name", options.logName,
                   "The name on the CSV's first line for a log read\n"
                   "from standard input (default: -).\n"
                   "Example: --name Run7QMRX.pdb - Run7.csv <Run7QMRX.pdb")
        ->type_name("NAME");
    app.add_flag("--summary", summary,
                 "Write no CSV: print each log's record and sample\n"
                 "counts, time span, median sample rate and each\n"
                 "channel's smallest and largest value, and warn\n"
                 "where the time goes back or jumps ahead by more\n"
                 "than a minute.\n"
                 "Example: --summary Backup/")
        ->excludes(outputDir)
        ->excludes(update)
        ->excludes(plot)
        ->excludes(separatorOption)
        ->excludes(decimalOption);
    // Described with the usage lines above.
    app.add_option("INPUT", options.inputs)->group("");

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& wrong) {
        return usageError(wrong.what());
    }

    if (version) {
        std::printf("quillet-convert %s\n", QUILLET_VERSION);
        return 0;
    }
    options.profile.separator = separator == "tab" ? '\t' : separator.front();
    options.profile.decimalMark = decimalMark.front();
    if (!options.profile.isUnambiguous()) {
        return usageError("a decimal comma needs --separator ';' or --separator tab");
    }
    options.plot = plot->count() > 0;
    const bool fromStandardInput = !options.inputs.empty() && options.inputs.front() == "-";
    if (options.logName && (options.logName->empty() || !fromStandardInput)) {
        return usageError("--name names a log read from standard input, INPUT -");
    }
    // Standard input is read once, for the CSV.
    if (options.plot && fromStandardInput) {
        return usageError("--plot draws a log file, not standard input");
    }
    if (summary || !outputDir->empty()) {
        options.mode = summary ? ConverterMode::Summary : ConverterMode::ManyLogs;
        if (!picture.empty()) {
            restoreInput(app, plot, picture, options.inputs);
        }
        if (options.inputs.empty()) {
            return usageError("no INPUT given");
        }
        return options;
    }
    if (options.plot) {
        if (picture.empty()) {
            return usageError("--plot needs the SVG file to write, or --output-dir");
        }
        options.picture = picture;
        if (options.inputs.empty() || options.inputs.size() > 2) {
            return usageError("--plot SVG takes one INPUT, and an OUTPUT for its CSV");
        }
        if (options.inputs.size() == 1) {
            return options;
        }
        if (picture == "-" && options.inputs.back() == "-") {
            return usageError("the picture and the CSV cannot both go to standard output");
        }
    } else if (options.inputs.size() != 2) {
        return usageError(options.inputs.size() < 2 ? "INPUT and OUTPUT are both needed"
                                                    : "one INPUT and one OUTPUT, or --output-dir");
    }
    options.output = options.inputs.back();
    options.inputs.pop_back();
    return options;
}

}  // namespace quillet
