#include "page/page_run.h"

#include "chart/log_output.h"
#include "page/html_page.h"
#include "page/log_page.h"

namespace quillet {

ConversionOutcome pageLog(LogInput& log, OutputTarget& output, ReportingServices& services,
                          const CsvProfile& profile) {
    return runReported(services, [&] {
        const LogPage page = readLogPage(log.source(), log.fileName(), services);
        writeReadingOf(output, page.stop, 1024 * 1024,
                       [&](WriteBuffer& out) { writeHtmlPage(page, profile, out); });
    });
}

}  // namespace quillet
