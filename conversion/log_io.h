#pragma once

#include <memory>
#include <string>

#include "conversion/byte_io.h"

// Where a run reads its log and writes its outputs, whatever holds them: files, standard
// streams, or memory in a test.
namespace quillet {

// A log to convert, and the name the CSV's first line gives it. Its bytes are opened when they
// are first read and stay open as long as the input, so that a job that makes several outputs
// of one log opens and reads it once.
class LogInput {
  public:
    virtual ~LogInput() = default;
    virtual std::string fileName() const = 0;
    ByteSource& source();

  protected:
    // Opening never waits for a writer or a terminal.
    virtual std::unique_ptr<ByteSource> open() = 0;

  private:
    std::unique_ptr<ByteSource> m_source;
};

// Where a run puts an output. Replacing it happens only once a run knows that it can write;
// a sink that is destroyed before it was kept leaves the output as it was, as far as the
// output allows.
class OutputTarget {
  public:
    virtual ~OutputTarget() = default;
    virtual std::unique_ptr<ByteSink> replace() = 0;
    // The output as messages name it: its path, or "standard output".
    virtual std::string name() const = 0;
};

}  // namespace quillet
