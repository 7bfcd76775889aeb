#pragma once

#include <string>
#include <string_view>

// What every front end's reporting services do alike, whatever draws them.
namespace quillet::frontend {

// The share of the progress bar drawn filled, from 0 to 1, for its Min, Max and Value. Any
// setting is taken: a Value outside the range shows the bar empty or full, and a range whose
// Max is not above its Min shows it full once the Value has reached both ends, empty before.
double progressShare(float min, float max, float value);

// A message's text with each CR LF line end as the single "\n" that toolkits and consoles
// break lines at.
std::string messageLines(std::string_view text);

}  // namespace quillet::frontend
