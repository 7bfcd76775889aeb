#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "conversion/log_reading.h"
#include "conversion/sample_time.h"

namespace quillet {

// Memory for the blocks of columns that grow together, cut from chunks that grow to a few
// megabytes, which the system is advised to back with large pages: a long log's samples take
// tens of megabytes, and taking them from the system 4 KB at a time cost as much as reading the
// log, while a short log takes a few kilobytes.
class BlockArena {
  public:
    static constexpr std::size_t kChunkSize = 6 * 1024 * 1024;

    // A block of size bytes, at most kChunkSize, kept as long as the arena.
    std::uint8_t* block(std::size_t size);

  private:
    struct ChunkRelease {
        bool largePages;
        void operator()(std::uint8_t* chunk) const;
    };
    std::vector<std::unique_ptr<std::uint8_t[], ChunkRelease>> m_chunks;
    std::size_t m_chunkSize = 0;
    std::size_t m_used = 0;
};

// Bytes kept in blocks that never move once filled, each larger than the one before up to
// kBlockSize. A block's size is a multiple of three, so that each block but the last is whole
// groups of base64. Columns that grow together, a byte each sample, have blocks of the same
// sizes.
class ByteColumn {
  public:
    static constexpr std::size_t kFirstBlockSize = 3 * 64;
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
    // Columns that grow together need room made once a sample: where the first has a byte's
    // room, so have the others.
    bool full() const { return m_used == m_blockSize; }
    void makeRoom() {
        if (full()) addBlock();
    }
    void pushIntoRoom(std::uint8_t byte) { m_block[m_used++] = byte; }
    std::size_t size() const { return m_filledBefore + m_used; }
    // The bytes of block `block`, in order.
    const std::uint8_t* blockBytes(std::size_t block) const {
        return block == 0 ? m_firstBlock.data() : m_laterBlocks[block - 1].data();
    }
    // Calls onBlock(span) for each block in order.
    template <typename OnBlock>
    void forEachBlock(OnBlock&& onBlock) const {
        if (m_firstBlock.empty()) return;
        onBlock(m_laterBlocks.empty() ? m_firstBlock.first(m_used) : m_firstBlock);
        for (std::size_t block = 0; block < m_laterBlocks.size(); ++block) {
            const bool last = block + 1 == m_laterBlocks.size();
            onBlock(last ? m_laterBlocks[block].first(m_used) : m_laterBlocks[block]);
        }
    }

  private:
    void addBlock();

    std::shared_ptr<BlockArena> m_arena;
    // The first block apart from the others, so that a short log's column holds no list.
    std::span<const std::uint8_t> m_firstBlock;
    std::vector<std::span<const std::uint8_t>> m_laterBlocks;
    std::uint8_t* m_block = nullptr;
    std::size_t m_blockSize = 0;
    std::size_t m_used = 0;
    // The bytes in the blocks before the last.
    std::size_t m_filledBefore = 0;
};

// Every sample of a log as it is read, kept compactly in file order, for the charts that show
// it: the picture reduces it to pixel columns, and the page carries it whole.
class LogSamples : public SampleVisitor {
  public:
    explicit LogSamples(const LogStart& start);

    void beginRecord(int record, int seconds) override;
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override;

    std::span<const std::uint8_t> identifiers() const { return m_start.identifiers(); }
    // Per channel, its raw byte in every sample.
    const std::vector<ByteColumn>& channelBytes() const { return m_channelBytes; }
    // Per sample, its hundredths byte.
    const ByteColumn& hundredths() const { return m_hundredths; }
    // Per record read, its seconds value and how many samples of it were read.
    const std::vector<std::uint16_t>& recordSeconds() const { return m_recordSeconds; }
    const std::vector<std::uint32_t>& recordSamples() const { return m_recordSamples; }
    std::size_t sampleCount() const { return m_hundredths.size(); }

    // Calls onSample(clock, raw) for each sample in file order, raw holding its channels' bytes
    // in column order.
    template <typename OnSample>
    void forEachSample(OnSample&& onSample) const;

  private:
    LogStart m_start;
    std::vector<ByteColumn> m_channelBytes;
    ByteColumn m_hundredths;
    std::vector<std::uint16_t> m_recordSeconds;
    std::vector<std::uint32_t> m_recordSamples;
};

template <typename OnSample>
void LogSamples::forEachSample(OnSample&& onSample) const {
    std::array<std::uint8_t, LogInfo::kMaxChannels> bytes{};
    const std::span<std::uint8_t> raw(bytes.data(), m_channelBytes.size());
    std::array<const std::uint8_t*, LogInfo::kMaxChannels> columnBlocks{};
    std::size_t record = 0;
    std::uint32_t leftInRecord = 0;
    std::size_t block = 0;
    m_hundredths.forEachBlock([&](std::span<const std::uint8_t> hundredths) {
        for (std::size_t column = 0; column < raw.size(); ++column) {
            columnBlocks[column] = m_channelBytes[column].blockBytes(block);
        }
        for (std::size_t at = 0; at < hundredths.size(); ++at) {
            while (leftInRecord == 0) leftInRecord = m_recordSamples[record++];
            --leftInRecord;
            for (std::size_t column = 0; column < raw.size(); ++column) {
                raw[column] = columnBlocks[column][at];
            }
            onSample(SampleClock{m_recordSeconds[record - 1], hundredths[at]},
                     std::span<const std::uint8_t>(raw));
        }
        ++block;
    });
}

}  // namespace quillet
