#include "conversion/log_output.h"

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
        m_kept = true;
    }
    void settle() override { m_sink->settle(); }
    void putBack() override {
        m_sink->putBack();
        m_kept = false;
    }
    InterruptionHold* interruptionHold() override { return m_sink->interruptionHold(); }
    bool writesInPlace() const override { return m_sink->writesInPlace(); }

    bool failed() const { return m_failed; }
    bool kept() const { return m_kept; }
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
    bool m_kept = false;
};

// Holds interruptions for as long as it lives, where an output needs it.
class HeldInterruptions {
  public:
    explicit HeldInterruptions(InterruptionHold* hold) : m_hold(hold) {
        if (m_hold) m_hold->hold();
    }
    HeldInterruptions(const HeldInterruptions&) = delete;
    HeldInterruptions& operator=(const HeldInterruptions&) = delete;
    ~HeldInterruptions() {
        if (m_hold) m_hold->release();
    }

  private:
    InterruptionHold* m_hold;
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

    // Moves every output into its place as one step: an interruption waits until all are in
    // place, and an output that cannot take its place has those moved before it put back. Where
    // the log ended early, the failure stays the log's and tells the output's too.
    void keep(const std::optional<ReadingStop>& stop) {
        const HeldInterruptions held(interruptionHold());
        for (std::size_t index = 0; index < m_open.size(); ++index) {
            try {
                m_open[index]->keep();
            } catch (...) {
                const Failure failure = failureFromCurrentException();
                throw putBackKept(stop ? withOutputFailure(stop->failure, failure, nameOf(index))
                                       : failure.ofOutput(nameOf(index)),
                                  index);
            }
        }
        for (const auto& open : m_open) open->settle();
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

    InterruptionHold* interruptionHold() const {
        for (const auto& open : m_open) {
            if (InterruptionHold* hold = open->interruptionHold()) return hold;
        }
        return nullptr;
    }

    // Puts back the outputs that took their places before `failed` could not. One that cannot
    // be put back keeps its new file, and the failure says so.
    Failure putBackKept(const Failure& failure, std::size_t failed) {
        std::string description = failure.description();
        for (std::size_t index = failed; index-- > 0;) {
            try {
                m_open[index]->putBack();
            } catch (...) {
                description += "; " + nameOf(index) + " was replaced all the same, since what it " +
                               "held could not be put back (" +
                               failureFromCurrentException().description() + ")";
            }
        }
        return Failure(failure.number(), description)
            .ofOutput(failure.outputPath())
            .withUnwrittenOutputs(unwrittenBesides(failed));
    }

    // The outputs other than `failed` that keep what they held: all but those in their places
    // and those written in place as the bytes came.
    std::vector<std::string> unwrittenBesides(std::size_t failed) const {
        std::vector<std::string> names;
        for (std::size_t index = 0; index < m_outputs.size(); ++index) {
            const bool opened = index < m_open.size();
            const bool written =
                opened && (m_open[index]->kept() || m_open[index]->writesInPlace());
            if (index != failed && !written) names.push_back(nameOf(index));
        }
        return names;
    }

    std::span<const JobOutput> m_outputs;
    std::vector<std::unique_ptr<OpenOutput>> m_open;
};

}  // namespace

void writeMadeOutputs(ByteSource& log, const LogStart& start, std::span<const JobOutput> outputs,
                      std::span<SampleVisitor* const> alsoReading, ReportingServices& services) {
    Job job(outputs);
    job.open();
    job.begin();
    std::vector<SampleVisitor*> visitors;
    for (const JobOutput& output : outputs) visitors.push_back(&output.output);
    visitors.insert(visitors.end(), alsoReading.begin(), alsoReading.end());
    const std::optional<ReadingStop> stop = readSamples(log, start, visitors, services);
    job.checkOutputsAfter(stop);
    job.end(stop);
    job.keep(stop);
    if (stop) throw stop->failure;
}

ConversionOutcome writeLogOutputs(LogInput& log, std::span<const OutputOrder> outputs,
                                  ReportingServices& services, const SpreadsheetProfile& profile,
                                  std::string_view pageSetup) {
    return runReported(services, [&] {
        ByteSource& source = log.source();
        const LogStart start = readLogStart(source);
        const LogToWrite toWrite{log.fileName(), source, start, profile, pageSetup};
        std::vector<std::unique_ptr<LogOutput>> made;
        std::vector<JobOutput> jobOutputs;
        for (const OutputOrder& order : outputs) {
            made.push_back(order.make(toWrite));
            jobOutputs.push_back({*made.back(), order.target});
        }
        writeMadeOutputs(source, start, jobOutputs, {}, services);
    });
}

}  // namespace quillet
