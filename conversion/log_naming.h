#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How logs are recognised by name, and what their CSVs are called: the rules the command line
// and every window share.
namespace quillet {

// Whether a file name (or a path, judged by its end) ends in "QMRX.pdb", in any letter case,
// as the handheld names its logs.
bool isLogFileName(std::string_view name);

// Whether a file name (or a path, judged by its end) ends in ".pdb", in any letter case, as the
// handheld's databases do: a name no output takes.
bool isDatabaseFileName(std::string_view name);

// The name (or path) without its final ".pdb", in any letter case: what a log's outputs are
// named after. "Run7QMRX.pdb" gives "Run7QMRX".
std::string_view withoutDatabaseExtension(std::string_view name);

// The CSV that goes with a log: its final ".pdb", in any letter case, becomes ".csv";
// "Run7QMRX.pdb" gives "Run7QMRX.csv". A path without one gets ".csv" added.
std::string csvPathForLog(std::string_view logPath);

// A name with its ASCII letters in lower case, to compare names as the file systems of Windows
// and macOS do.
std::string lowerCaseName(std::string_view name);

// Of several paths handed over at once (files dropped together), the first named like a log.
std::optional<std::string> firstLog(const std::vector<std::string>& paths);

}  // namespace quillet
