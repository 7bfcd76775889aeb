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

// Bytes that grow a row at a time, a byte in each of a few columns. The rows are kept in blocks
// that never move once filled, each larger than the one before up to kBlockRows, so that a short
// log takes a few kilobytes; within a block, each column's bytes lie together. A block's rows are
// a multiple of three, so that a column's bytes in every block but the last are whole groups of
// base64.
class SampleColumns {
  public:
    static constexpr std::size_t kFirstBlockRows = 3 * 64;
    static constexpr std::size_t kBlockRows = 3 * 16 * 1024;

    explicit SampleColumns(std::size_t columns) : m_columns(columns) {}

    // Adds a row: row[c] in column c of the first columns, and `last` in the last column.
    void push(std::span<const std::uint8_t> row, std::uint8_t last) {
        if (m_used == m_blockRows) addBlock();
        // Held apart from the members, which the stores of bytes could otherwise change.
        const std::size_t stride = m_blockRows;
        std::uint8_t* at = m_block + m_used;
        for (const std::uint8_t byte : row) {
            *at = byte;
            at += stride;
        }
        *at = last;
        ++m_used;
    }
    std::size_t columns() const { return m_columns; }
    std::size_t rows() const { return m_filledRows + m_used; }

    // Calls onBytes(span) with the bytes of the column in each block in order.
    template <typename OnBytes>
    void forEachRun(std::size_t column, OnBytes&& onBytes) const {
        for (std::size_t block = 0; block < m_blocks.size(); ++block) {
            const std::size_t stride = blockRows(block);
            const std::size_t rows = block + 1 == m_blocks.size() ? m_used : stride;
            onBytes(std::span<const std::uint8_t>(m_blocks[block] + column * stride, rows));
        }
    }

  private:
    static std::size_t blockRows(std::size_t block) {
        return block < 8 ? std::min(kFirstBlockRows << block, kBlockRows) : kBlockRows;
    }
    void addBlock();

    std::size_t m_columns;
    BlockArena m_arena;
    std::vector<const std::uint8_t*> m_blocks;
    std::uint8_t* m_block = nullptr;
    std::size_t m_blockRows = 0;
    std::size_t m_used = 0;
    // The rows in the blocks before the last.
    std::size_t m_filledRows = 0;
};

// Every sample of a log as it is read, kept compactly in file order, for the page that carries
// it whole.
class LogSamples : public SampleVisitor {
  public:
    explicit LogSamples(const LogStart& start);

    void beginRecord(int record, int seconds) override;
    void sample(std::uint8_t hundredths, std::span<const std::uint8_t> raw) override;

    std::span<const std::uint8_t> identifiers() const { return m_start.identifiers(); }
    // A column of each channel's raw bytes in column order, and last a column of the hundredths
    // bytes: a row per sample.
    const SampleColumns& columns() const { return m_columns; }
    std::size_t hundredthsColumn() const { return identifiers().size(); }
    // Per record read, its seconds value and how many samples of it were read.
    const std::vector<std::uint16_t>& recordSeconds() const { return m_recordSeconds; }
    const std::vector<std::uint32_t>& recordSamples() const { return m_recordSamples; }

  private:
    LogStart m_start;
    SampleColumns m_columns;
    std::vector<std::uint16_t> m_recordSeconds;
    std::vector<std::uint32_t> m_recordSamples;
};

}  // namespace quillet
