#include "page/log_page.h"

#include <array>
#include <new>
#include <span>

#include "conversion/log_records.h"
#include "system/large_pages.h"

namespace quillet {
namespace {

// Reads one record into the page; a sample counts only once all its bytes were read.
void readRecord(int record, RecordReader& records, SummaryCollector& summary, LogPage& page) {
    const int seconds = records.beginRecord();
    summary.beginRecord(record, seconds);
    page.recordSeconds.push_back(static_cast<std::uint16_t>(seconds));
    page.recordSamples.push_back(0);
    std::array<std::uint8_t, LogInfo::kMaxChannels> bytes{};
    const std::span<std::uint8_t> raw(bytes.data(), page.channelBytes.size());
    records.forEachSample([&](std::uint8_t hundredths) {
        records.channelBytes(raw);
        // Every channel's column holds as many bytes as the hundredths' column.
        if (page.hundredths.full()) {
            for (ByteColumn& column : page.channelBytes) column.makeRoom();
        }
        for (std::size_t column = 0; column < raw.size(); ++column) {
            page.channelBytes[column].pushIntoRoom(raw[column]);
        }
        page.hundredths.push(hundredths);
        ++page.recordSamples.back();
        summary.addSample(hundredths, raw);
    });
    summary.endRecord();
}

}  // namespace

// Large pages are 2 MB where the system has them; a chunk on that boundary fills whole ones.
constexpr std::align_val_t kLargePageAlignment{2 * 1024 * 1024};

void BlockArena::ChunkRelease::operator()(std::uint8_t* chunk) const {
    ::operator delete[](chunk, kLargePageAlignment);
}

std::uint8_t* BlockArena::block(std::size_t size) {
    if (kChunkSize - m_used < size) {
        std::unique_ptr<std::uint8_t[], ChunkRelease> chunk(
            static_cast<std::uint8_t*>(::operator new[](kChunkSize, kLargePageAlignment)));
        system::adviseLargePages(chunk.get(), kChunkSize);
        m_chunks.push_back(std::move(chunk));
        m_used = 0;
    }
    std::uint8_t* block = m_chunks.back().get() + m_used;
    m_used += size;
    return block;
}

void ByteColumn::addBlock() {
    m_block = m_arena->block(kBlockSize);
    m_blocks.push_back(m_block);
    m_used = 0;
}

LogPage readLogPage(ByteSource& source, const std::string& title, ReportingServices& services) {
    const LogStart start = readLogStart(source);
    RecordReader records(source, start.info);
    LogPage page;
    page.title = title;
    page.recordCount = start.header.recordCount();
    for (int column = 0; column < records.channelCount(); ++column) {
        page.identifiers.push_back(start.info.channelIdentifier(column));
    }
    const auto arena = std::make_shared<BlockArena>();
    for (std::size_t column = 0; column < page.identifiers.size(); ++column) {
        page.channelBytes.emplace_back(arena);
    }
    page.hundredths = ByteColumn(arena);
    SummaryCollector summary(start.info);

    services.setProgressMin(1);
    services.setProgressMax(static_cast<float>(page.recordCount - 1));
    int record = 1;
    try {
        for (; record < page.recordCount; ++record) {
            services.setProgressValue(static_cast<float>(record));
            readRecord(record, records, summary, page);
        }
    } catch (...) {
        page.stop = ChartStop{record, failureFromCurrentException()};
    }
    page.summary = summary.summary();
    return page;
}

}  // namespace quillet
