#pragma once

#include <span>
#include <string>
#include <string_view>

#include "conversion/log_output.h"

// The kinds of output quillet-convert writes of a log, one entry each: what asks for it, what its
// file is called beside the CSV, and what makes its writer. Every loop over a run's outputs walks
// this table.
namespace quillet {

enum class OutputKind { Csv, Picture, Page, Mlg };

struct OutputKindEntry {
    OutputKind kind;
    // The option that asks for it ("--plot"), empty for the CSV, which OUTPUT names; it takes the
    // file, or with --output-dir nothing.
    std::string_view option;
    // What the option's file is, in the usage lines ("SVG").
    std::string_view fileType;
    std::string_view help;
    // What a log's file of it ends in beside its CSV, with --output-dir.
    std::string_view extension;
    // What messages call it ("the picture").
    std::string_view role;
    MakeLogOutput make;
};

std::span<const OutputKindEntry> outputKinds();
const OutputKindEntry& entryOf(OutputKind kind);

// An output a command line asks for: its kind, and its file ("-" for standard output), which
// with --output-dir each log's name gives.
struct RequestedOutput {
    OutputKind kind;
    std::string path;

    bool operator==(const RequestedOutput&) const = default;
};

}  // namespace quillet
