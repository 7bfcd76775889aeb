#include "file_access.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "failure.h"
#include "memory_io.h"
#include "platform_file.h"

namespace quillet {
namespace fs = std::filesystem;
namespace {

// As many links as POSIX systems follow before they give up on a path.
constexpr int kMostLinksFollowed = 40;

[[noreturn]] void failPathAccess() { throw Failure(FailureNumber::PathFileAccessError); }

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

void writeTo(std::FILE* stream, std::span<const char> bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        throw Failure(platform::writeFailure(errno));
    }
}

// A sink written straight into a stream: standard output, a device or a pipe. It closes the
// stream only when it owns it.
class StreamSink : public ByteSink {
  public:
    StreamSink(std::FILE* stream, bool ownsStream) : m_stream(stream), m_ownsStream(ownsStream) {}
    ~StreamSink() override {
        if (m_stream && m_ownsStream) std::fclose(m_stream);
    }

    void write(std::span<const char> bytes) override { writeTo(m_stream, bytes); }

    void close() override {
        std::FILE* stream = std::exchange(m_stream, nullptr);
        errno = 0;
        const bool flushed = std::fflush(stream) == 0;
        const int flushError = errno;
        const bool closed = !m_ownsStream || std::fclose(stream) == 0;
        if (!flushed || !closed) {
            throw Failure(platform::writeFailure(flushed ? errno : flushError));
        }
    }

  private:
    std::FILE* m_stream;
    bool m_ownsStream;
};

// A sink into a replacement file, which takes the output's place when the sink is closed. The
// writer hands it whole lines, so a write that fails is taken back whole: the file then ends
// with the last line that was written entirely.
class ReplacementSink : public ByteSink {
  public:
    explicit ReplacementSink(const fs::path& target) : m_file(target) {}

    void write(std::span<const char> bytes) override {
        try {
            writeTo(m_file.stream(), bytes);
        } catch (const Failure&) {
            if (!platform::truncateFile(m_file.stream(), m_size)) {
                throw Failure(FailureNumber::DeviceIoError);
            }
            throw;
        }
        m_size += bytes.size();
    }

    void close() override { m_file.keep(); }

  private:
    platform::ReplacementFile m_file;
    std::uint64_t m_size = 0;
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

// The path a chain of symbolic links ends at, whether or not a file exists there.
fs::path followLinks(fs::path path) {
    for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        const fs::path target = fs::read_symlink(path, error);
        if (error) failPathAccess();
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    failPathAccess();
}

}  // namespace

std::string_view inputFileName(std::string_view inputPath) {
    const std::size_t separator = inputPath.find_last_of("\\/");
    return separator == std::string_view::npos ? inputPath : inputPath.substr(separator + 1);
}

std::string FileLogInput::fileName() const { return std::string(inputFileName(m_path)); }

std::unique_ptr<ByteSource> openInputFile(const std::string& path) {
    if (path.empty()) failPathAccess();
    FileHandle file(platform::openForReadingByPosition(pathOf(path)));
    if (!file) failPathAccess();
    return std::make_unique<InputFile>(std::move(file));
}

std::unique_ptr<ByteSource> FileLogInput::open() { return openInputFile(m_path); }

std::unique_ptr<ByteSource> StandardInputLog::open() {
    m_bytes = platform::readStandardInput();
    return std::make_unique<MemorySource>(m_bytes);
}

FileOutputTarget::FileOutputTarget(std::string outputPath, std::optional<std::string> inputPath)
    : m_outputPath(std::move(outputPath)), m_inputPath(std::move(inputPath)) {}

std::unique_ptr<ByteSink> FileOutputTarget::replace() {
    if (m_outputPath.empty()) failPathAccess();
    const fs::path output = pathOf(m_outputPath);
    if (m_inputPath && sameFile(output, pathOf(*m_inputPath))) failPathAccess();

    std::error_code error;
    const fs::file_status status = fs::status(output, error);
    if (fs::is_directory(status)) failPathAccess();
    if (platform::isDeviceOrPipe(output)) {
        std::FILE* stream = platform::openFile(output, "wb");
        if (!stream) failPathAccess();
        std::setvbuf(stream, nullptr, _IONBF, 0);
        return std::make_unique<StreamSink>(stream, true);
    }
    if (fs::is_regular_file(status) && isReadOnly(status)) failPathAccess();
    return std::make_unique<ReplacementSink>(followLinks(output));
}

std::unique_ptr<ByteSink> StandardOutputTarget::replace() {
    return std::make_unique<StreamSink>(platform::binaryStandardOutput(), false);
}

}  // namespace quillet
