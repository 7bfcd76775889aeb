#include "system/standard_streams.h"

#include "conversion/byte_io.h"
#include "conversion/failure.h"
#include "system/file_access.h"
#include "system/log_files.h"

namespace quillet::system {

void writeStandardOutput(std::string_view text) {
    try {
        writeToStream(stdout, withPlatformLineEnds(text));
        flushStream(stdout);
    } catch (...) {
        throw failureFromCurrentException().ofOutput("standard output");
    }
}

std::unique_ptr<ByteSource> StandardInputLog::open() {
    std::FILE* input = binaryStandardInput();
    std::uint8_t block[64 * 1024];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, input)) > 0) {
        m_bytes.insert(m_bytes.end(), block, block + count);
    }
    if (std::ferror(input)) throw Failure(FailureNumber::DeviceIoError);
    return std::make_unique<MemorySource>(m_bytes);
}

std::unique_ptr<ByteSink> StandardOutputTarget::replace() {
    return streamSink(binaryStandardOutput(), false);
}

}  // namespace quillet::system
