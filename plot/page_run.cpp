#include "page_run.h"

#include <memory>

#include "failure.h"
#include "html_page.h"
#include "log_page.h"

namespace quillet {

ConversionOutcome pageLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                          const CsvProfile& profile) {
    return runReported(services, [&] {
        // The whole log is read before the output is replaced, so that a log that cannot be
        // read at all leaves an existing page as it was.
        const LogPage page = readLogPage(log.source(), log.fileName(), services);
        const std::unique_ptr<ByteSink> sink = output.replace();
        try {
            WriteBuffer out(*sink, 1024 * 1024);
            writeHtmlPage(page, profile, out);
            out.flush();
            sink->close();
        } catch (...) {
            if (!page.stop) throw;
            throw withOutputFailure(page.stop->failure, failureFromCurrentException());
        }
        // A damaged log is shown up to its damage, and then fails as its conversion does.
        if (page.stop) throw page.stop->failure;
    });
}

}  // namespace quillet
