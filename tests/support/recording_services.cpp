#include "tests/support/recording_services.h"

#include <atomic>
#include <charconv>
#include <chrono>

namespace quillet::support {
namespace {

std::string number(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

void RecordingServices::setBusyPointer(bool busy) { calls.push_back(busy ? "busy" : "idle"); }

void RecordingServices::setProgressMin(float min) { calls.push_back("min " + number(min)); }

void RecordingServices::setProgressMax(float max) { calls.push_back("max " + number(max)); }

void RecordingServices::setProgressValue(float value) { calls.push_back("value " + number(value)); }

void RecordingServices::showMessage(const std::string& text, MessageIcon icon) {
    calls.push_back(icon == MessageIcon::Exclamation ? "message exclamation" : "message critical");
    messages.push_back(text);
}

void RecordingServices::showFailure(const Failure& failure) {
    failures.push_back(failure);
    ReportingServices::showFailure(failure);
}

void RecordingServices::beep() { calls.push_back("beep"); }

TemporaryFolder::TemporaryFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             ("quillet-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(m_path);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace quillet::support
