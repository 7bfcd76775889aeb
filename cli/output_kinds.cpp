#include "cli/output_kinds.h"

#include <algorithm>

#include "conversion/csv_output.h"
#include "conversion/mlg_output.h"
#include "page/page_output.h"
#include "picture/picture_output.h"

namespace quillet {
namespace {

constexpr OutputKindEntry kOutputKinds[] = {
    {OutputKind::Csv, "", "", "", ".csv", "the CSV", makeCsvOutput},
    {OutputKind::Picture, "--plot", "SVG",
     "Draw the log as an SVG picture: a strip chart\n"
     "per channel, with its smallest and largest\n"
     "value, over one time axis. SVG is the picture's\n"
     "file (- for standard output); the CSV is\n"
     "written too when OUTPUT is given. With\n"
     "--output-dir, --plot takes no SVG and draws\n"
     "each picture beside its CSV: Run7QMRX.pdb\n"
     "gives DIR/Run7QMRX.svg.\n"
     "Example: --plot Run7.svg Run7QMRX.pdb\n"
     "Example: --output-dir csv --plot Backup/",
     ".svg", "the picture", makePictureOutput},
    {OutputKind::Page, "--html", "PAGE",
     "Write the log as one HTML page that any browser\n"
     "opens offline: a strip per channel on one time\n"
     "axis, a cursor that reads every channel's CSV\n"
     "value at one sample, zoom by dragging, and the\n"
     "log's summary. PAGE is the page's file (- for\n"
     "standard output); the CSV is written too when\n"
     "OUTPUT is given. With --output-dir, --html takes\n"
     "no PAGE and writes each page beside its CSV:\n"
     "Run7QMRX.pdb gives DIR/Run7QMRX.html.\n"
     "Example: --html Run7.html Run7QMRX.pdb\n"
     "Example: --output-dir csv --html --plot Backup/",
     ".html", "the page", makePageOutput},
    {OutputKind::Mlg, "--mlg", "MLG",
     "Write the log as an MLG file, the binary log\n"
     "that tuning and log-viewing programs open: a\n"
     "field per CSV column with its name, unit and\n"
     "decimals, a record per row. MLG is the file to\n"
     "write (- for standard output); the CSV is\n"
     "written too when OUTPUT is given. With\n"
     "--output-dir, --mlg takes no MLG and writes\n"
     "each beside its CSV: Run7QMRX.pdb gives\n"
     "DIR/Run7QMRX.mlg.\n"
     "Example: --mlg Run7.mlg Run7QMRX.pdb\n"
     "Example: --output-dir csv --mlg Backup/",
     ".mlg", "the MLG", makeMlgOutput},
};

}  // namespace

std::span<const OutputKindEntry> outputKinds() { return kOutputKinds; }

const OutputKindEntry& entryOf(OutputKind kind) {
    return *std::find_if(std::begin(kOutputKinds), std::end(kOutputKinds),
                         [kind](const OutputKindEntry& entry) { return entry.kind == kind; });
}

}  // namespace quillet
