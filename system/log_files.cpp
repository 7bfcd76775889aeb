#include "system/log_files.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "conversion/failure.h"
#include "conversion/log_layout.h"
#include "conversion/log_naming.h"
#include "system/file_access.h"
#include "system/interruption.h"
#include "system/paths.h"
#include "system/replacement_file.h"

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
        if (!system::seekFile(m_file.get(), position)) {
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

class StreamSink : public ByteSink {
  public:
    StreamSink(std::FILE* stream, bool ownsStream) : m_stream(stream), m_ownsStream(ownsStream) {}
    ~StreamSink() override {
        if (m_stream && m_ownsStream) std::fclose(m_stream);
    }

    void write(std::span<const char> bytes) override { system::writeToStream(m_stream, bytes); }
    bool writesInPlace() const override { return true; }

    void close() override {
        std::FILE* stream = std::exchange(m_stream, nullptr);
        if (!m_ownsStream) {
            system::flushStream(stream);
        } else if (std::fclose(stream) != 0) {
            throw Failure(FailureNumber::DeviceIoError);
        }
    }

  private:
    std::FILE* m_stream;
    bool m_ownsStream;
};

// A sink into a replacement file, which takes the output's place when the sink is kept.
class ReplacementSink : public ByteSink {
  public:
    explicit ReplacementSink(const fs::path& target) : m_file(target) {}
    void write(std::span<const char> bytes) override { m_file.write(bytes); }
    void close() override { m_file.close(); }
    void keep() override { m_file.keep(); }
    void settle() override { m_file.settle(); }
    void putBack() override { m_file.putBack(); }
    InterruptionHold* interruptionHold() override { return &system::interruptionHold(); }

  private:
    system::ReplacementFile m_file;
};

bool isReadOnly(const fs::file_status& status) {
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & anyWrite) == fs::perms::none;
}

// Whether the file at path, its links followed, holds a log, as the conversion would read it.
bool holdsLog(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return false;
    FileHandle file(system::openForReadingByPosition(path));
    if (!file) return false;
    std::array<std::uint8_t, LogHeader::kSize> header{};
    const std::size_t read = std::fread(header.data(), 1, header.size(), file.get());
    return isLogHeader(std::span(header).first(read));
}

// The path a chain of symbolic links ends at, whether or not a file exists there: what writing
// an output at `path` replaces. Nothing where the chain cannot be followed: a loop, or a link
// that cannot be read.
std::optional<fs::path> linkChainEnd(fs::path path) {
    for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        const fs::path target = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> outputLosingALog(const std::string& outputPath) {
    if (isDatabaseFileName(openedSpelling(outputPath))) return "is named like a log (*.pdb)";
    if (holdsLog(pathFromUtf8(outputPath))) {
        return "holds a Palm database, as logs do";
    }
    return std::nullopt;
}

std::string FileLogInput::fileName() const {
    return std::string(storedFileName(fileNameOf(m_path)));
}

std::unique_ptr<ByteSource> FileLogInput::open() {
    if (m_path.empty()) failPathAccess();
    FileHandle file(system::openForReadingByPosition(pathFromUtf8(m_path)));
    if (!file && errno == ESPIPE) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "The log is a pipe, a socket or a terminal, which cannot be read by "
                      "position; give - and send the log to standard input instead");
    }
    if (!file) {
        throw Failure(FailureNumber::PathFileAccessError)
            .withSystemReason(m_path, std::generic_category().message(errno));
    }
    return std::make_unique<InputFile>(std::move(file));
}

FileOutputTarget::FileOutputTarget(std::string outputPath, std::optional<std::string> inputPath,
                                   InPlaceOutputs inPlace)
    : m_outputPath(std::move(outputPath)), m_inputPath(std::move(inputPath)), m_inPlace(inPlace) {}

std::unique_ptr<ByteSink> FileOutputTarget::replace() {
    if (m_outputPath.empty()) failPathAccess();
    const fs::path output = pathFromUtf8(m_outputPath);
    if (m_inputPath && system::sameFile(output, pathFromUtf8(*m_inputPath))) {
        throw Failure(FailureNumber::PathFileAccessError, "The output is the log itself");
    }
    if (const std::optional<std::string> reason = outputLosingALog(m_outputPath)) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "The file " + *reason + ", and no output replaces a log");
    }

    std::error_code error;
    const fs::file_status status = fs::status(output, error);
    // Refused before the system would refuse it, for the reason it would give.
    const auto refuse = [&](int reason) {
        throw Failure(FailureNumber::PathFileAccessError)
            .withSystemReason(m_outputPath, std::generic_category().message(reason));
    };
    if (fs::is_directory(status)) refuse(EISDIR);
    system::checkReplaceable(output);
    if (system::isDeviceOrPipe(output)) {
        if (m_inPlace == InPlaceOutputs::Refused) failPathAccess();
        std::FILE* stream = system::openInPlace(output);
        if (!stream) failPathAccess();
        return streamSink(stream, true);
    }
    if (fs::is_regular_file(status) && isReadOnly(status)) refuse(EACCES);
    const std::optional<fs::path> target = linkChainEnd(output);
    if (!target) failPathAccess();
    return std::make_unique<ReplacementSink>(*target);
}

std::unique_ptr<ByteSink> streamSink(std::FILE* stream, bool ownsStream) {
    return std::make_unique<StreamSink>(stream, ownsStream);
}

bool namesOneFile(const std::string& a, const std::string& b) {
    const std::optional<fs::path> first = linkChainEnd(pathFromUtf8(a));
    const std::optional<fs::path> second = linkChainEnd(pathFromUtf8(b));
    // A chain of links that ends nowhere names no file; writing there fails as a bad file name.
    return first && second && system::sameFile(*first, *second);
}

}  // namespace quillet
