#include "frontend/reporting.h"

#include <algorithm>
#include <cmath>

namespace quillet::frontend {

double progressShare(float min, float max, float value) {
    if (max > min) {
        return std::clamp((double{value} - min) / (double{max} - min), 0.0, 1.0);
    }
    return value >= max && value >= min ? 1.0 : 0.0;
}

int progressSteps(float min, float max, float value) {
    return static_cast<int>(std::lround(progressShare(min, max, value) * kProgressSteps));
}

std::string messageLines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    }
    return lines;
}

}  // namespace quillet::frontend
