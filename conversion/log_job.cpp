#include "conversion/log_job.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace quillet {
namespace {

// An output opened for the job, which remembers whether the output refused a write: that makes
// a failure the output's own rather than the log's.
class OpenOutput : public ByteSink {
  public:
    explicit OpenOutput(const JobOutput& job)
        : m_job(job), m_sink(job.target.replace()), m_buffer(*this, job.output.bufferSize()) {}

    void write(std::span<const char> bytes) override {
        watch([&] { m_sink->write(bytes); });
    }
    void close() override {
        watch([&] { m_sink->close(); });
    }
    void keep() override {
        watch([&] { m_sink->keep(); });
    }
    bool writesInPlace() const override { return m_sink->writesInPlace(); }

    bool failed() const { return m_failed; }
    LogOutput& output() { return m_job.output; }
    WriteBuffer& buffer() { return m_buffer; }

    // Writes what is left after the reading and completes the output, so that keeping it is all
    // that remains.
    void end(const std::optional<ReadingStop>& stop) {
        m_job.output.end(m_buffer, stop);
        m_buffer.flush();
        close();
    }

  private:
    template <typename Call>
    void watch(Call&& call) {
        try {
            call();
        } catch (...) {
            m_failed = true;
            throw;
        }
    }

    const JobOutput& m_job;
    std::unique_ptr<ByteSink> m_sink;
    WriteBuffer m_buffer;
    bool m_failed = false;
};

class Job {
  public:
    explicit Job(std::span<const JobOutput> outputs) : m_outputs(outputs) {}

    // Opens every output; the first that cannot be opened fails the job before anything is
    // written.
    void open() {
        for (std::size_t index = 0; index < m_outputs.size(); ++index) {
            try {
                m_open.push_back(std::make_unique<OpenOutput>(m_outputs[index]));
            } catch (...) {
                throw failureOf(index, failureFromCurrentException());
            }
        }
    }

    void begin() {
        for (std::size_t index = 0; index < m_open.size(); ++index) {
            asOutput(index, [&] { m_open[index]->output().begin(m_open[index]->buffer()); });
        }
    }

    // A failure that ended the reading is the output's when an output refused a write.
    void checkOutputsAfter(const std::optional<ReadingStop>& stop) {
        for (std::size_t index = 0; index < m_open.size(); ++index) {
            if (stop && m_open[index]->failed()) throw failureOf(index, stop->failure);
        }
    }

    // Completes the outputs that are files first, so that a file that fails keeps a device or
    // standard output from being written at all.
    void end(const std::optional<ReadingStop>& stop) {
        for (const bool inPlace : {false, true}) {
            for (std::size_t index = 0; index < m_open.size(); ++index) {
                if (m_open[index]->writesInPlace() != inPlace) continue;
                try {
                    m_open[index]->end(stop);
                } catch (...) {
                    const Failure failure = failureFromCurrentException();
                    if (!stop) throw failureOf(index, failure);
                    const std::string name = m_outputs.size() > 1 ? nameOf(index) : "";
                    throw withOutputFailure(stop->failure, failure, name)
                        .withUnwrittenOutputs(unwrittenBesides(index));
                }
            }
        }
    }

    void keep() {
        for (std::size_t index = 0; index < m_open.size(); ++index) {
            asOutput(index, [&] { m_open[index]->keep(); });
            m_kept = index + 1;
        }
    }

  private:
    std::string nameOf(std::size_t index) const { return m_outputs[index].target.name(); }

    template <typename Call>
    void asOutput(std::size_t index, Call&& call) {
        try {
            call();
        } catch (...) {
            throw failureOf(index, failureFromCurrentException());
        }
    }

    Failure failureOf(std::size_t index, const Failure& failure) const {
        return failure.ofOutput(nameOf(index)).withUnwrittenOutputs(unwrittenBesides(index));
    }

    // The outputs other than `failed` that keep what they held: all but those kept already and
    // those written in place as the bytes came.
    std::vector<std::string> unwrittenBesides(std::size_t failed) const {
        std::vector<std::string> names;
        for (std::size_t index = m_kept; index < m_outputs.size(); ++index) {
            const bool inPlace = index < m_open.size() && m_open[index]->writesInPlace();
            if (index != failed && !inPlace) names.push_back(nameOf(index));
        }
        return names;
    }

    std::span<const JobOutput> m_outputs;
    std::vector<std::unique_ptr<OpenOutput>> m_open;
    std::size_t m_kept = 0;
};

}  // namespace

void writeLogOutputs(ByteSource& log, const LogStart& start, std::span<const JobOutput> outputs,
                     std::span<SampleVisitor* const> visitors, ReportingServices& services) {
    Job job(outputs);
    job.open();
    job.begin();
    const std::optional<ReadingStop> stop = readSamples(log, start, visitors, services);
    job.checkOutputsAfter(stop);
    job.end(stop);
    job.keep();
    if (stop) throw stop->failure;
}

}  // namespace quillet
