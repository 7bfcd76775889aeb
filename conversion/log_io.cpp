#include "conversion/log_io.h"

namespace quillet {

ByteSource& LogInput::source() {
    if (!m_source) m_source = open();
    return *m_source;
}

}  // namespace quillet
