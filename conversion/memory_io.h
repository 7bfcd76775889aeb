#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "byte_io.h"
#include "file_access.h"

// A log and a CSV held in memory: standard input once read, and runs that touch no disk.
namespace quillet {

// Reads bytes that outlive it.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into) override;
    std::span<const std::uint8_t> inMemory() const override { return m_bytes; }

  private:
    std::span<const std::uint8_t> m_bytes;
};

class MemoryLogInput : public LogInput {
  public:
    MemoryLogInput(std::string name, std::vector<std::uint8_t> bytes)
        : m_name(std::move(name)), m_bytes(std::move(bytes)) {}
    std::string fileName() const override { return m_name; }
    std::unique_ptr<ByteSource> open() override { return std::make_unique<MemorySource>(m_bytes); }

  private:
    std::string m_name;
    std::vector<std::uint8_t> m_bytes;
};

// Collects the CSV of a run.
class MemoryOutputTarget : public OutputTarget {
  public:
    std::unique_ptr<ByteSink> replace() override;

    // Whether the run got as far as replacing the output, and whether it closed it.
    bool replaced = false;
    bool closed = false;
    std::string csv;
};

}  // namespace quillet
