#pragma once

#include <string>
#include <string_view>

// Text inside the picture's SVG and the page's HTML.
namespace quillet {

// The text with "&", "<", ">" and '"' written as XML entities, and any byte that is not part of
// well-formed UTF-8 or of a character XML allows as "?", so that any file name makes a valid
// document.
std::string xmlText(std::string_view text);

}  // namespace quillet
