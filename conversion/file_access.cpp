#include "file_access.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "failure.h"
#include "platform_file.h"

namespace quillet {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void failPathAccess() { throw Failure(FailureNumber::PathFileAccessError); }

[[noreturn]] void failWrite(int error) {
    throw Failure(error == ENOSPC ? FailureNumber::DiskFull : FailureNumber::DeviceIoError);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

class InputFile : public ByteSource {
  public:
    explicit InputFile(FileHandle file) : m_file(std::move(file)) {}

    std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into) override {
        if (!platform::seekFile(m_file.get(), position)) {
            throw Failure(FailureNumber::DeviceIoError);
        }
        const std::size_t count = std::fread(into.data(), 1, into.size(), m_file.get());
        if (count < into.size() && std::ferror(m_file.get())) {
            throw Failure(FailureNumber::DeviceIoError);
        }
        return count;
    }

  private:
    FileHandle m_file;
};

// A sink over a C stream; it closes the stream only when it owns it.
class StreamSink : public ByteSink {
  public:
    StreamSink(std::FILE* stream, bool ownsStream) : m_stream(stream), m_ownsStream(ownsStream) {}
    ~StreamSink() override {
        if (m_stream && m_ownsStream) std::fclose(m_stream);
    }

    void write(std::span<const char> bytes) override {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_stream) != bytes.size()) {
            failWrite(errno);
        }
    }

    void close() override {
        std::FILE* stream = std::exchange(m_stream, nullptr);
        errno = 0;
        const bool flushed = std::fflush(stream) == 0;
        const int flushError = errno;
        const bool closed = !m_ownsStream || std::fclose(stream) == 0;
        if (!flushed || !closed) {
            failWrite(flushed ? errno : flushError);
        }
    }

  private:
    std::FILE* m_stream;
    bool m_ownsStream;
};

// A path named by the user; text that cannot name a file on this platform (not UTF-8, say)
// is a bad file name like any other.
fs::path pathOf(const std::string& utf8Path) {
    try {
        return platform::pathFromUtf8(utf8Path);
    } catch (const std::exception&) {
        failPathAccess();
    }
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

bool isReadOnly(const fs::file_status& status) {
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & anyWrite) == fs::perms::none;
}

}  // namespace

std::unique_ptr<ByteSource> openInputFile(const std::string& path) {
    if (path.empty()) failPathAccess();
    const fs::path input = pathOf(path);
    std::error_code error;
    if (fs::is_directory(input, error)) failPathAccess();
    FileHandle file(platform::openFile(input, "rb"));
    if (!file) failPathAccess();
    return std::make_unique<InputFile>(std::move(file));
}

FileOutputTarget::FileOutputTarget(std::string outputPath, std::string inputPath)
    : m_outputPath(std::move(outputPath)), m_inputPath(std::move(inputPath)) {}

std::unique_ptr<ByteSink> FileOutputTarget::replace() {
    if (m_outputPath.empty()) failPathAccess();
    const fs::path output = pathOf(m_outputPath);
    if (sameFile(output, pathOf(m_inputPath))) failPathAccess();

    std::error_code error;
    const fs::file_status status = fs::status(output, error);
    if (fs::is_directory(status)) failPathAccess();
    if (fs::is_regular_file(status)) {
        if (isReadOnly(status) || !fs::remove(output, error) || error) failPathAccess();
    }
    std::FILE* stream = platform::openFile(output, "wb");
    if (!stream) failPathAccess();
    // The sink gathers its writes in large blocks; a second buffer would only copy them.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return std::make_unique<StreamSink>(stream, true);
}

std::unique_ptr<ByteSink> StandardOutputTarget::replace() {
    return std::make_unique<StreamSink>(platform::binaryStandardOutput(), false);
}

}  // namespace quillet
