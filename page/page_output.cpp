#include "page/page_output.h"

#include "page/html_page.h"

namespace quillet {

void PageOutput::end(WriteBuffer& out, const std::optional<ReadingStop>& stop) {
    const LogPage page{m_title, m_recordCount, m_samples, m_summary.summary(), stop};
    writeHtmlPage(page, m_profile, out);
}

std::unique_ptr<LogOutput> makePageOutput(const LogToWrite& log) {
    return std::make_unique<PageOutput>(log.fileName, log.start, log.profile);
}

}  // namespace quillet
