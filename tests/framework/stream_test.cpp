// Memory blocks and buffered streams: windows, refills, direct transfers, flushes.
#include "framework/memory.h"
#include "framework/stream.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <string>

using testing_support::Bytes;
using testing_support::TempDir;

namespace {

Bytes counting_bytes(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return bytes;
}

TEST(Blocks, EnsureGrowsAFullBlockAndShrinksAnOversizedOne) {
    char *block = nullptr;
    ASSERT_EQ(block_ensure(&block, 10, 8), nullptr);
    EXPECT_EQ(block_size(block), 8u); // a first call allocates one step
    ASSERT_EQ(block_ensure(&block, 8, 8), nullptr);
    EXPECT_EQ(block_size(block), 16u); // needed equal to the size grows
    ASSERT_EQ(block_ensure(&block, 12, 8), nullptr);
    EXPECT_EQ(block_size(block), 16u);
    ASSERT_EQ(block_resize(&block, 100), nullptr);
    ASSERT_EQ(block_ensure(&block, 20, 8), nullptr);
    EXPECT_EQ(block_size(block), 24u); // more than a step too large shrinks
    block_free(&block);
    EXPECT_EQ(block, nullptr);
}

TEST(Blocks, FailuresReportMemoryAndKeepTheOwnerDefined) {
    char *block = nullptr;
    ErrorRecord *error = block_alloc(&block, std::size_t{1} << 31);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code, kErrorMemory);
    EXPECT_EQ(block, nullptr);
    ASSERT_EQ(block_alloc(&block, 0), nullptr);
    EXPECT_EQ(block_size(block), 1u);
    block[0] = 'k';
    EXPECT_NE(block_resize(&block, std::size_t{1} << 31), nullptr);
    EXPECT_EQ(block[0], 'k'); // the old block stays
    block_free(&block);
}

struct StreamTest : ::testing::Test {
    TempDir dir;
    std::string path = dir.file("data");
};

TEST_F(StreamTest, ALoweredBlockLimitRefusesLargerBlocksAndHalvesTheBuffer) {
    testing_support::write_file(path, counting_bytes(10));
    block_set_limit(131071);
    char *block = nullptr;
    ErrorRecord *refused = block_alloc(&block, 131072);
    FileStream s;
    ErrorRecord *opened = stream_open(path.c_str(), 'r', 131072, &s);
    block_set_limit(SIZE_MAX); // back to the filters' own limit
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->code, kErrorMemory);
    EXPECT_EQ(block, nullptr);
    ASSERT_EQ(opened, nullptr);
    EXPECT_EQ(s.capacity, 65536);
    EXPECT_EQ(stream_close(&s, nullptr), nullptr);
    ASSERT_EQ(block_alloc(&block, 131072), nullptr);
    block_free(&block);
}

TEST_F(StreamTest, ReadsAcrossBufferEndsDirectlyAndByByte) {
    const Bytes data = counting_bytes(3000);
    testing_support::write_file(path, data);
    FileStream s;
    ASSERT_EQ(stream_open(path.c_str(), 'r', 256, &s), nullptr);
    EXPECT_EQ(s.capacity, 256);
    Bytes got(3000);
    std::int32_t count = 0;
    ASSERT_EQ(stream_read(&s, got.data(), 100, &count), nullptr);
    ASSERT_EQ(stream_read(&s, got.data() + 100, 1000, &count), nullptr); // buffer tail, direct multiple, refill
    EXPECT_EQ(count, 1000);
    std::int32_t value = 0;
    ASSERT_EQ(stream_read_byte(&s, &value), nullptr);
    got[1100] = static_cast<std::uint8_t>(value);
    ASSERT_EQ(stream_read(&s, got.data() + 1101, 5000, &count), nullptr);
    EXPECT_EQ(count, 1899); // the end of the file is a short count, not an error
    EXPECT_EQ(got, data);
    ASSERT_EQ(stream_read_byte(&s, &value), nullptr);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(stream_read_exact(&s, got.data(), 1)->code, kErrorRead);
    EXPECT_EQ(stream_close(&s, nullptr), nullptr);
}

TEST_F(StreamTest, SeeksInsideTheWindowKeepItAndOutsideReload) {
    const Bytes data = counting_bytes(1000);
    testing_support::write_file(path, data);
    FileStream s;
    ASSERT_EQ(stream_open(path.c_str(), 'r', 256, &s), nullptr);
    std::uint32_t word = 0;
    ASSERT_EQ(stream_read_word(&s, &word), nullptr);
    stream_seek(&s, 1);
    EXPECT_FALSE(s.window_invalid);
    std::uint32_t half = 0;
    ASSERT_EQ(stream_read_half(&s, &half), nullptr);
    EXPECT_EQ(half, static_cast<std::uint32_t>(data[1] | data[2] << 8));
    stream_seek(&s, 900);
    EXPECT_TRUE(s.window_invalid);
    std::int32_t value = 0;
    ASSERT_EQ(stream_read_byte(&s, &value), nullptr);
    EXPECT_EQ(value, data[900]);
    EXPECT_EQ(s.window_start, 900);
    stream_skip(&s, -899);
    ASSERT_EQ(stream_read_byte(&s, &value), nullptr);
    EXPECT_EQ(value, data[2]);
    std::int64_t at = 0;
    stream_tell(&s, &at);
    EXPECT_EQ(at, 3);
    stream_close(&s, nullptr);
}

TEST_F(StreamTest, WritesFlushAtTheirOwnOffsetsAfterASeek) {
    FileStream s;
    ASSERT_EQ(stream_open(path.c_str(), 'w', 256, &s), nullptr);
    const Bytes big = counting_bytes(700);
    ASSERT_EQ(stream_write_exact(&s, big.data(), 700), nullptr); // fills, goes direct, then buffers the tail
    stream_seek(&s, 10);
    ASSERT_EQ(stream_write_word(&s, 0x44434241), nullptr);
    stream_seek(&s, 700);
    ASSERT_EQ(stream_write_exact(&s, "END", 3), nullptr);
    ASSERT_EQ(stream_close(&s, nullptr), nullptr);
    Bytes expected = big;
    expected[10] = 'A', expected[11] = 'B', expected[12] = 'C', expected[13] = 'D';
    expected.insert(expected.end(), {'E', 'N', 'D'});
    EXPECT_EQ(testing_support::read_file(path), expected);
}

TEST_F(StreamTest, OpeningForWritingTruncatesAndRefusesDirectories) {
    testing_support::write_text(path, "old contents that are long");
    FileStream s;
    ASSERT_EQ(stream_open(path.c_str(), 'w', 32768, &s), nullptr);
    stream_write_exact(&s, "new", 3);
    stream_close(&s, nullptr);
    EXPECT_EQ(testing_support::read_text(path), "new");

    ErrorRecord *error = stream_open(dir.path.c_str(), 'w', 32768, &s);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code, 5);
    error = stream_open(dir.file("missing").c_str(), 'r', 32768, &s);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(std::string(error->text),
              "The system cannot find the file specified.\r\n(CreateFile) (2) (" + dir.file("missing") + ")");
}

TEST_F(StreamTest, ClosePrefersThePendingError) {
    FileStream s;
    ASSERT_EQ(stream_open(path.c_str(), 'w', 32768, &s), nullptr);
    ErrorRecord *pending = error_from_code(kErrorCorrupt);
    EXPECT_EQ(stream_close(&s, pending), pending);
    EXPECT_EQ(s.buffer, nullptr);
}

TEST_F(StreamTest, FileQueriesTellKindAndSize) {
    testing_support::write_text(path, "12345");
    EXPECT_EQ(file_kind(path.c_str()), FileKind::file);
    EXPECT_EQ(file_kind(dir.path.c_str()), FileKind::directory);
    EXPECT_EQ(file_kind(dir.file("none").c_str()), FileKind::missing);
    FileInfo info = file_info(path.c_str());
    EXPECT_EQ(info.kind, FileKind::file);
    EXPECT_EQ(info.size, 5u);
    EXPECT_EQ(file_info(dir.file("none").c_str()).kind, FileKind::missing);
}

} // namespace
