#include "frontend/opened_log.h"

#include "conversion/log_naming.h"

namespace quillet::frontend {

PathBoxTexts withOpenedLog(PathBoxTexts boxes, std::string_view logPath) {
    boxes.input = logPath;
    if (boxes.output.empty()) {
        boxes.output = csvPathForLog(logPath);
    }
    return boxes;
}

}  // namespace quillet::frontend
