#include "page/log_samples.h"

#include <algorithm>
#include <new>

#include "system/large_pages.h"

namespace quillet {

// Large pages are 2 MB where the system has them; a chunk on that boundary fills whole ones.
constexpr std::align_val_t kLargePageAlignment{2 * 1024 * 1024};
// The first chunk of an arena: the first blocks of a dozen columns and some.
constexpr std::size_t kFirstChunkSize = 16 * 1024;

void BlockArena::ChunkRelease::operator()(std::uint8_t* chunk) const {
    if (largePages) {
        ::operator delete[](chunk, kLargePageAlignment);
    } else {
        ::operator delete[](chunk);
    }
}

std::uint8_t* BlockArena::block(std::size_t size) {
    if (m_chunkSize - m_used < size) {
        m_chunkSize =
            std::max(size, std::min(std::max(2 * m_chunkSize, kFirstChunkSize), kChunkSize));
        const bool largePages = m_chunkSize == kChunkSize;
        std::uint8_t* bytes = static_cast<std::uint8_t*>(
            largePages ? ::operator new[](m_chunkSize, kLargePageAlignment)
                       : ::operator new[](m_chunkSize));
        m_chunks.emplace_back(bytes, ChunkRelease{largePages});
        if (largePages) system::adviseLargePages(bytes, m_chunkSize);
        m_used = 0;
    }
    std::uint8_t* block = m_chunks.back().get() + m_used;
    m_used += size;
    return block;
}

void SampleColumns::addBlock() {
    m_filledRows += m_used;
    m_blockRows = blockRows(m_blocks.size());
    m_block = m_arena.block(m_blockRows * m_columns);
    m_blocks.push_back(m_block);
    m_used = 0;
}

LogSamples::LogSamples(const LogStart& start)
    : m_start(start), m_columns(start.identifiers().size() + 1) {
    // Room for the records the header names, up to a few thousand: a damaged header may name
    // more than the file holds, and the lists grow as they must beyond.
    const auto records = static_cast<std::size_t>(std::clamp(start.header.recordCount(), 0, 4096));
    m_recordSeconds.reserve(records);
    m_recordSamples.reserve(records);
}

void LogSamples::beginRecord(int, int seconds) {
    m_recordSeconds.push_back(static_cast<std::uint16_t>(seconds));
    m_recordSamples.push_back(0);
}

void LogSamples::sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) {
    m_columns.push(raw, hundredths);
    ++m_recordSamples.back();
}

}  // namespace quillet
