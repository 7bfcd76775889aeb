// A pipe whose reader has gone (`| more` left early, `| head -1`) ends the process as SIGPIPE
// ends it on POSIX systems: quietly, with status 141, and without the temporary file of an
// output that was being written.
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "system/file_access.h"
#include "system/replacement_file.h"

namespace quillet::system {
namespace {

namespace fs = std::filesystem;

HANDLE anonymousPipeWithoutReader() {
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    if (!CreatePipe(&reader, &writer, nullptr, 0)) return INVALID_HANDLE_VALUE;
    CloseHandle(reader);
    return writer;
}

HANDLE namedPipeWithoutReader() {
    const std::wstring name =
        L"\\\\.\\pipe\\quillet-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE reader = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1,
                                           4096, 4096, 0, nullptr);
    const HANDLE writer =
        CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CloseHandle(reader);
    return writer;
}

struct PipeCase {
    std::string name;
    HANDLE (*writeEnd)();
};

void PrintTo(const PipeCase& c, std::ostream* out) { *out << c.name; }

class ClosedPipeTest : public testing::TestWithParam<PipeCase> {};

TEST_P(ClosedPipeTest, EndsTheProcessQuietlyWithoutItsTemporaryFiles) {
    // Named, not made afresh, since the process that dies runs this test again from its start.
    const fs::path folder = fs::temp_directory_path() / ("quillet-closed-pipe-" + GetParam().name);
    fs::create_directories(folder);
    const std::string line = "Time,RPM\r\n";
    EXPECT_EXIT(
        {
            ReplacementFile csv(folder / "out.csv");
            csv.write(line);
            const int descriptor =
                _open_osfhandle(reinterpret_cast<intptr_t>(GetParam().writeEnd()), 0);
            writeToStream(_fdopen(descriptor, "wb"), line);
        },
        testing::ExitedWithCode(141), "^$");
    EXPECT_TRUE(fs::is_empty(folder));
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Pipes, ClosedPipeTest,
                         testing::Values(PipeCase{"Anonymous", anonymousPipeWithoutReader},
                                         PipeCase{"Named", namedPipeWithoutReader}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet::system
