#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chart/log_output.h"
#include "conversion/byte_io.h"
#include "conversion/log_summary.h"
#include "conversion/run_reporting.h"

// A log as its HTML page carries it: every sample's raw bytes and time, so that the page can
// show any stretch of the log at any zoom, and the summary of what it holds.
namespace quillet {

// Memory for the blocks of columns that grow together, cut from chunks of a few megabytes that
// the system is advised to back with large pages: a long log's page holds tens of megabytes,
// and taking them from the system 4 KB at a time cost as much as reading the log.
class BlockArena {
  public:
    static constexpr std::size_t kChunkSize = 6 * 1024 * 1024;

    // A block of size bytes, at most kChunkSize, kept as long as the arena.
    std::uint8_t* block(std::size_t size);

  private:
    struct ChunkRelease {
        void operator()(std::uint8_t* chunk) const;
    };
    std::vector<std::unique_ptr<std::uint8_t[], ChunkRelease>> m_chunks;
    std::size_t m_used = kChunkSize;
};

// Bytes kept in blocks of one size, so that growing never moves the bytes kept. A block's
// size is a multiple of three, so that each block but the last is whole groups of base64.
class ByteColumn {
  public:
    static constexpr std::size_t kBlockSize = 3 * 16 * 1024;
    static_assert(BlockArena::kChunkSize % kBlockSize == 0);

    explicit ByteColumn(std::shared_ptr<BlockArena> arena = std::make_shared<BlockArena>())
        : m_arena(std::move(arena)) {}
    ByteColumn(ByteColumn&&) = default;
    ByteColumn& operator=(ByteColumn&&) = default;

    void push(std::uint8_t byte) {
        makeRoom();
        pushIntoRoom(byte);
    }
    // Columns that grow together, a byte each sample, need room made once a sample: where the
    // first has a byte's room, so have the others.
    bool full() const { return m_used == kBlockSize; }
    void makeRoom() {
        if (full()) addBlock();
    }
    void pushIntoRoom(std::uint8_t byte) { m_block[m_used++] = byte; }
    std::size_t size() const {
        return m_blocks.empty() ? 0 : (m_blocks.size() - 1) * kBlockSize + m_used;
    }
    // Calls onBlock(span) for each block in order.
    template <typename OnBlock>
    void forEachBlock(OnBlock&& onBlock) const {
        for (std::size_t block = 0; block < m_blocks.size(); ++block) {
            const bool last = block + 1 == m_blocks.size();
            onBlock(std::span<const std::uint8_t>(m_blocks[block], last ? m_used : kBlockSize));
        }
    }

  private:
    void addBlock();

    std::shared_ptr<BlockArena> m_arena;
    std::vector<std::uint8_t*> m_blocks;
    std::uint8_t* m_block = nullptr;
    std::size_t m_used = kBlockSize;
};

struct LogPage {
    std::string title;
    long long recordCount = 0;
    std::vector<std::uint8_t> identifiers;
    // Per channel, its raw byte in every sample, in file order.
    std::vector<ByteColumn> channelBytes;
    // Per sample, its hundredths byte.
    ByteColumn hundredths;
    // Per record read, its seconds value and how many samples it holds.
    std::vector<std::uint16_t> recordSeconds;
    std::vector<std::uint32_t> recordSamples;
    LogSummary summary;
    std::optional<ChartStop> stop;
};

// Reads the whole log from source. A log that cannot be read at all (no header, more than
// twelve channels) fails; one that ends early or points past its end gives the samples before
// the damage, with the stop that ended it. The services' progress follows the records.
LogPage readLogPage(ByteSource& source, const std::string& title, ReportingServices& services);

}  // namespace quillet
