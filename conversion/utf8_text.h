#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Texts the program takes in as UTF-8 (file names, above all) and writes for other readers.
namespace quillet {

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when it starts with
// none: a stray byte, an overlong form, a surrogate, or a code beyond U+10FFFF.
std::size_t utf8SequenceLength(std::string_view text);

// A name (a log's, a file's) as every output and message shows it: each control character,
// which would break a line or a cell, becomes a space.
std::string displayName(std::string_view name);

// The text with one byte per character, the low 8 bits of its code, as spreadsheets on Windows
// read a CSV: a character above U+00FF, or a byte that is not well-formed UTF-8, becomes "?".
std::string latin1FromUtf8(std::string_view text);

}  // namespace quillet
