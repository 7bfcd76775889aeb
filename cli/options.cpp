#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <utility>

#include "generated/quillet_version.h"
#include "page/html_page.h"
#include "system/log_files.h"

namespace quillet {
namespace {

// The usage lines: one per way the program is called, one of them per kind of output with an
// option of its own.
std::string usageLines() {
    std::string lines =
        "usage: quillet-convert [OPTIONS] INPUT OUTPUT\n"
        "       quillet-convert [OPTIONS] --output-dir DIR INPUT...\n";
    for (const OutputKindEntry& kind : outputKinds()) {
        if (kind.option.empty()) continue;
        lines += "       quillet-convert [OPTIONS] " + std::string(kind.option) + " " +
                 std::string(kind.fileType) + " INPUT [OUTPUT]\n";
    }
    return lines + "       quillet-convert [OPTIONS] --compare --html PAGE LOG LOG...\n" +
           "       quillet-convert --summary INPUT...\n";
}

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
    "  quillet-convert --html Run7.html Run7QMRX.pdb Run7.csv\n"
    "  quillet-convert --mlg Run7.mlg Run7QMRX.pdb\n"
    "  quillet-convert --compare --html Runs.html Run7QMRX.pdb Run8QMRX.pdb\n"
    "  quillet-convert --summary Backup/\n"
    "\n"
    "Exit status: 0 when every log converted, 1 when any failed, 2 on wrong usage.";

// Help that starts with the usage lines of every way the program is called, and names each
// option with its value alone.
class HelpFormatter : public CLI::Formatter {
  public:
    HelpFormatter() { column_width(22); }
    std::string make_usage(const CLI::App*, std::string) const override {
        return usageLines() + kDescription;
    }
    std::string make_option_opts(const CLI::Option* option) const override {
        const std::string& value = option->get_type_name();
        return value.empty() ? value : " " + value;
    }
};

// With --output-dir, the options of the outputs name no file, yet CLI11 hands each the word that
// follows it: such a word is an INPUT, put back in its place among the others.
void restoreInputs(const CLI::App& app,
                   const std::vector<std::pair<const CLI::Option*, std::string>>& swallowed,
                   std::vector<std::string>& inputs) {
    std::size_t inputsBefore = 0;
    std::vector<const CLI::Option*> restored;
    for (const CLI::Option* parsed : app.parse_order()) {
        if (parsed->get_positional()) ++inputsBefore;
        for (const auto& [option, word] : swallowed) {
            if (parsed != option || word.empty() ||
                std::find(restored.begin(), restored.end(), option) != restored.end())
                continue;
            inputs.insert(inputs.begin() + static_cast<std::ptrdiff_t>(inputsBefore++), word);
            restored.push_back(option);
        }
    }
}

// A command line read into its options, then checked by the rules of the mode it asks for.
class CommandLine {
  public:
    CommandLine();
    ParsedCommandLine parse(const std::vector<std::string>& arguments);

  private:
    std::vector<std::string>::const_iterator endOfOptions(
        const std::vector<std::string>& arguments) const;
    ParsedCommandLine checked();
    ParsedCommandLine oneLog();
    ParsedCommandLine manyLogs();
    ParsedCommandLine summary();
    ParsedCommandLine compare();
    std::optional<UsageError> standardInputError() const;
    std::optional<UsageError> sharedOutputError() const;

    // The kinds of output with an option of their own, what each option took, and whether it
    // was given.
    struct OutputOption {
        const OutputKindEntry* kind;
        CLI::Option* option;
        std::string file;
    };
    std::vector<OutputOption> requestedOutputs() const;
    const OutputOption& pageOption() const;

    CLI::App m_app{"", "quillet-convert"};
    ConverterOptions m_options;
    std::string m_separator = ",";
    std::string m_decimalMark = ".";
    bool m_summary = false;
    bool m_version = false;
    bool m_comparing = false;
    CLI::Option* m_outputDir;
    CLI::Option* m_setup;
    std::vector<OutputOption> m_outputOptions;
};

CommandLine::CommandLine() {
    m_app.formatter(std::make_shared<HelpFormatter>());
    // Windows paths may start with "/", which must never pass for an option.
    m_app.allow_windows_style_options(false);
    m_app.footer(kFooter);
    m_app.set_help_flag("--help", "Print this help and exit.");
    m_app.add_flag("--version", m_version, "Print the program's version and exit.");
    m_outputDir = m_app.add_option("--output-dir", m_options.outputDir,
                                   "Convert every INPUT into a CSV in DIR, created\n"
                                   "when missing, each named after its log with\n"
                                   ".csv for .pdb: Run7QMRX.pdb gives\n"
                                   "DIR/Run7QMRX.csv. A log that fails is reported\n"
                                   "and the others go on.\n"
                                   "Example: --output-dir csv Backup/");
    m_outputDir->type_name("DIR");
    CLI::Option* update = m_app.add_flag("--update", m_options.update,
                                         "Skip a CSV, picture, page or MLG that exists\n"
                                         "and is newer than its log, once the log reads\n"
                                         "whole.\n"
                                         "Example: --output-dir csv --update Backup/");
    // Reserved before the options point into it.
    m_outputOptions.reserve(outputKinds().size());
    for (const OutputKindEntry& kind : outputKinds()) {
        if (kind.option.empty()) continue;
        OutputOption& output = m_outputOptions.emplace_back(OutputOption{&kind, nullptr, ""});
        output.option =
            m_app.add_option(std::string(kind.option), output.file, std::string(kind.help))
                ->expected(0, 1)
                ->type_name("[" + std::string(kind.fileType) + "]");
    }
    CLI::Option* separator = m_app
                                 .add_option("--separator", m_separator,
                                             "What joins the cells: , (the default), ;\n"
                                             "or tab.\n"
                                             "Example: --separator tab Run7QMRX.pdb Run7.csv")
                                 ->type_name("SEP");
    CLI::Option* decimal = m_app
                               .add_option("--decimal", m_decimalMark,
                                           "The decimal mark of the values and the times:\n"
                                           ". (the default) or , (with --separator ; or\n"
                                           "tab).\n"
                                           "Example: --separator ';' --decimal , Run7QMRX.pdb "
                                           "Run7.csv")
                               ->type_name("MARK");
    m_app
        .add_option("--name", m_options.logName,
                    "The name of a log read from standard input: the\n"
                    "CSV's first line, and with --output-dir the name\n"
                    "its CSV is made from (default: -).\n"
                    "Example: --name Run7QMRX.pdb - Run7.csv <Run7QMRX.pdb")
        ->type_name("NAME");
    CLI::Option* compare = m_app.add_flag("--compare", m_comparing,
                                          "Write no CSV: write one --html PAGE of 2 to 8\n"
                                          "logs, the first the reference the others are\n"
                                          "compared with: their strips over one time axis,\n"
                                          "aligned as the page's \"Align runs at\" says,\n"
                                          "and the difference of their tables.\n"
                                          "Example: --compare --html Runs.html Before.pdb "
                                          "After.pdb");
    compare->excludes(m_outputDir)->excludes(update);
    for (const OutputOption& output : m_outputOptions) {
        if (output.kind->kind != OutputKind::Page) compare->excludes(output.option);
    }
    m_setup = m_app
                  .add_option("--setup", m_options.setup,
                              "Open every page written with a setup that a log\n"
                              "page saved (\"Save setup\"): its views, axes,\n"
                              "cells, filter, computed channels and alignment.\n"
                              "Example: --setup Tuning.txt --html Run7.html "
                              "Run7QMRX.pdb")
                  ->type_name("FILE");
    CLI::Option* summary = m_app
                               .add_flag("--summary", m_summary,
                                         "Write no CSV: print each log's record and sample\n"
                                         "counts, time span, median sample rate and each\n"
                                         "channel's smallest and largest value, and warn\n"
                                         "where the time goes back or jumps ahead by more\n"
                                         "than a minute.\n"
                                         "Example: --summary Backup/")
                               ->excludes(m_outputDir)
                               ->excludes(update)
                               ->excludes(separator)
                               ->excludes(decimal)
                               ->excludes(compare)
                               ->excludes(m_setup);
    for (const OutputOption& output : m_outputOptions) summary->excludes(output.option);
    // Described with the usage lines above.
    m_app.add_option("INPUT", m_options.inputs)->group("");
}

// The "--" after which every word is an INPUT: the first one that is not the value of an option
// taking one. CLI11 would let a "--" after the file of --plot or --html end only that option,
// and read a following "-Run7QMRX.pdb" as an option.
std::vector<std::string>::const_iterator CommandLine::endOfOptions(
    const std::vector<std::string>& arguments) const {
    for (auto word = arguments.begin() + 1; word != arguments.end(); ++word) {
        if (*word == "--") return word;
        const CLI::Option* option = m_app.get_option_no_throw(*word);
        if (option != nullptr && option->get_expected_min() > 0 && word + 1 != arguments.end()) {
            ++word;
        }
    }
    return arguments.end();
}

ParsedCommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
    const auto end = endOfOptions(arguments);
    std::vector<std::string> reversed(std::make_reverse_iterator(end), arguments.rend() - 1);
    try {
        m_app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return InformationRequest{m_app.help()};
    } catch (const CLI::ParseError& wrong) {
        return UsageError{wrong.what()};
    }
    if (end != arguments.end()) {
        m_options.inputs.insert(m_options.inputs.end(), end + 1, arguments.end());
    }
    return checked();
}

ParsedCommandLine CommandLine::checked() {
    if (m_version) {
        if (m_app.parse_order().size() > 1 || !m_options.inputs.empty()) {
            return UsageError{"--version takes nothing else"};
        }
        return InformationRequest{"quillet-convert " + std::string(kVersion) + "\n"};
    }
    if (m_separator != "," && m_separator != ";" && m_separator != "tab") {
        return UsageError{"--separator must be , ; or tab"};
    }
    if (m_decimalMark != "." && m_decimalMark != ",") {
        return UsageError{"--decimal must be . or ,"};
    }
    m_options.profile.separator = m_separator == "tab" ? '\t' : m_separator.front();
    m_options.profile.decimalMark = m_decimalMark.front();
    if (!m_options.profile.isUnambiguous()) {
        return UsageError{"a decimal comma needs --separator ';' or --separator tab"};
    }
    if (m_setup->count() > 0 && (m_options.setup.empty() || pageOption().option->count() == 0)) {
        return UsageError{"--setup FILE needs --html, whose pages open with it"};
    }
    if (m_summary) return summary();
    if (m_comparing) return compare();
    if (m_outputDir->count() > 0) return manyLogs();
    return oneLog();
}

std::optional<UsageError> CommandLine::standardInputError() const {
    const auto& inputs = m_options.inputs;
    const auto fromStandardInput = std::count_if(inputs.begin(), inputs.end(), isStandardStream);
    if (fromStandardInput > 1) return UsageError{"standard input, INPUT -, can be read only once"};
    if (m_options.logName && (m_options.logName->empty() || fromStandardInput == 0)) {
        return UsageError{"--name names a log read from standard input, INPUT -"};
    }
    return std::nullopt;
}

ParsedCommandLine CommandLine::summary() {
    m_options.mode = ConverterMode::Summary;
    if (m_options.inputs.empty()) return UsageError{"no INPUT given"};
    if (const auto error = standardInputError()) return *error;
    return m_options;
}

std::vector<CommandLine::OutputOption> CommandLine::requestedOutputs() const {
    std::vector<OutputOption> requested;
    for (const OutputOption& output : m_outputOptions) {
        if (output.option->count() > 0) requested.push_back(output);
    }
    return requested;
}

const CommandLine::OutputOption& CommandLine::pageOption() const {
    return *std::find_if(
        m_outputOptions.begin(), m_outputOptions.end(),
        [](const OutputOption& output) { return output.kind->kind == OutputKind::Page; });
}

ParsedCommandLine CommandLine::compare() {
    m_options.mode = ConverterMode::Compare;
    const std::string& page = pageOption().file;
    if (page.empty()) return UsageError{"--compare needs --html PAGE, the page to write"};
    const std::size_t logs = m_options.inputs.size();
    if (logs < 2 || logs > kMostPageRuns) {
        return UsageError{"--compare takes 2 to " + std::to_string(kMostPageRuns) + " logs"};
    }
    if (const auto error = standardInputError()) return *error;
    m_options.outputs = {{OutputKind::Page, page}};
    return m_options;
}

ParsedCommandLine CommandLine::manyLogs() {
    m_options.mode = ConverterMode::ManyLogs;
    if (m_options.outputDir.empty()) return UsageError{"--output-dir needs a folder"};
    std::vector<std::pair<const CLI::Option*, std::string>> swallowed;
    m_options.outputs = {{OutputKind::Csv, ""}};
    for (const OutputOption& output : requestedOutputs()) {
        swallowed.emplace_back(output.option, output.file);
        m_options.outputs.push_back({output.kind->kind, ""});
    }
    restoreInputs(m_app, swallowed, m_options.inputs);
    if (m_options.inputs.empty()) return UsageError{"no INPUT given"};
    if (const auto error = standardInputError()) return *error;
    const bool fromStandardInput =
        std::any_of(m_options.inputs.begin(), m_options.inputs.end(), isStandardStream);
    if (fromStandardInput && !m_options.logName) {
        return UsageError{"a log read from standard input needs --name to name its CSV"};
    }
    return m_options;
}

ParsedCommandLine CommandLine::oneLog() {
    auto& inputs = m_options.inputs;
    const std::vector<OutputOption> requested = requestedOutputs();
    for (const OutputOption& output : requested) {
        if (output.file.empty()) {
            return UsageError{std::string(output.kind->option) +
                              " needs the file to write, or --output-dir"};
        }
    }
    if (!requested.empty()) {
        if (inputs.empty() || inputs.size() > 2) {
            const OutputKindEntry& first = *requested.front().kind;
            return UsageError{std::string(first.option) + " " + std::string(first.fileType) +
                              " takes one INPUT, and an OUTPUT for its CSV"};
        }
    } else if (inputs.size() != 2) {
        return UsageError{inputs.size() < 2 ? "INPUT and OUTPUT are both needed"
                                            : "one INPUT and one OUTPUT, or --output-dir"};
    }
    if (inputs.size() == 2) {
        m_options.outputs.push_back({OutputKind::Csv, inputs.back()});
        inputs.pop_back();
    }
    for (const OutputOption& output : requested) {
        m_options.outputs.push_back({output.kind->kind, output.file});
    }
    if (const auto error = standardInputError()) return *error;
    if (const auto error = sharedOutputError()) return *error;
    return m_options;
}

// Two outputs of one log going to one file, or both to standard output.
std::optional<UsageError> CommandLine::sharedOutputError() const {
    const std::vector<RequestedOutput>& outputs = m_options.outputs;
    for (std::size_t first = 0; first < outputs.size(); ++first) {
        for (std::size_t second = first + 1; second < outputs.size(); ++second) {
            const std::string& a = outputs[first].path;
            const std::string& b = outputs[second].path;
            const std::string both = std::string(entryOf(outputs[first].kind).role) + " and " +
                                     std::string(entryOf(outputs[second].kind).role);
            if (isStandardStream(a) && isStandardStream(b)) {
                return UsageError{both + " cannot both go to standard output"};
            }
            if (!isStandardStream(a) && !isStandardStream(b) && system::namesOneFile(a, b)) {
                return UsageError{both + " would both be written to " + a};
            }
        }
    }
    return std::nullopt;
}

}  // namespace

bool isStandardStream(const std::string& path) { return path == "-"; }

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    return CommandLine().parse(arguments);
}

std::string usageErrorText(const UsageError& error) {
    return "quillet-convert: " + error.reason + "\n" + usageLines();
}

}  // namespace quillet
