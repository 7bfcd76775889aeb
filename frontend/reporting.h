#pragma once

#include <string>
#include <string_view>

// What every front end's reporting services do alike, whatever draws them.
namespace quillet::frontend {

// The share of the progress bar drawn filled, from 0 to 1, for its Min, Max and Value. Any
// setting is taken: a Value outside the range shows the bar empty or full, and a range whose
// Max is not above its Min shows it full once the Value has reached both ends, empty before.
double progressShare(float min, float max, float value);

// The bars draw their share in steps finer than their width in pixels, so that each pixel can
// show; this is the filled part in those steps.
inline constexpr int kProgressSteps = 1000;
int progressSteps(float min, float max, float value);

// How often, at most, a front end lets paint and the desktop's are-you-alive pings through while
// a run holds the user-interface thread: often enough to look alive, seldom enough to cost the
// run nothing.
inline constexpr int kPaintIntervalMilliseconds = 100;

// A message's text with each CR LF line end as the single "\n" that toolkits and consoles
// break lines at.
std::string messageLines(std::string_view text);

}  // namespace quillet::frontend
