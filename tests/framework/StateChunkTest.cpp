#include "framework/StateChunk.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace tesselor::framework {
namespace {

TEST(StateChunk, StoresDoublesLittleEndian) {
    StateChunk chunk;
    EXPECT_EQ(chunk.AppendDouble(0.5), 8);
    EXPECT_EQ(chunk.AppendDouble(-2.0), 16);
    const std::uint8_t expected[16] = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0};
    ASSERT_EQ(chunk.Size(), 16);
    EXPECT_EQ(std::memcmp(chunk.Data(), expected, 16), 0);

    double v = 0.0;
    EXPECT_EQ(chunk.ReadDouble(&v, 8), 16);
    EXPECT_EQ(v, -2.0);
}

TEST(StateChunk, ShortOrNegativeReadsLeaveTheDestinationAlone) {
    StateChunk chunk;
    chunk.AppendDouble(1.0);
    chunk.Resize(12);
    double v = 42.0;
    EXPECT_EQ(chunk.ReadDouble(&v, 8), -1);
    EXPECT_EQ(chunk.ReadDouble(&v, 5), -1);
    EXPECT_EQ(chunk.ReadDouble(&v, -1), -1);
    EXPECT_EQ(chunk.ReadDouble(&v, 1 << 30), -1);
    EXPECT_EQ(v, 42.0);
    EXPECT_EQ(chunk.ReadDouble(&v, 4), 12);
}

TEST(StateChunk, GrowsInPagesAndShrinksOnlyWellBelowCapacity) {
    StateChunk chunk;
    chunk.AppendDouble(1.0);
    EXPECT_EQ(chunk.Capacity(), 4000);  // (8 + 96 + 4096) rounded down to 4 KiB, less 96
    for (int i = 0; i < 1012; ++i) chunk.AppendDouble(i);  // 8104 bytes
    EXPECT_EQ(chunk.Capacity(), 12192);

    std::vector<std::uint8_t> before(chunk.Data(), chunk.Data() + chunk.Size());
    EXPECT_EQ(chunk.Resize(100000), 100000);
    EXPECT_EQ(chunk.Capacity(), 147360);  // g = 50000 -> 49152
    EXPECT_EQ(std::memcmp(chunk.Data(), before.data(), before.size()), 0);
    EXPECT_EQ(chunk.Data()[99999], 0);

    chunk.Resize(80000);
    EXPECT_EQ(chunk.Capacity(), 147360);  // above half the capacity: kept
    chunk.Resize(60000);
    EXPECT_EQ(chunk.Capacity(), 85920);
    chunk.Resize(8);
    EXPECT_EQ(chunk.Capacity(), 4000);
    EXPECT_EQ(std::memcmp(chunk.Data(), before.data(), 8), 0);
    chunk.Resize(-5);
    EXPECT_EQ(chunk.Size(), 0);
    EXPECT_EQ(chunk.Capacity(), 0);
    EXPECT_EQ(chunk.Data(), nullptr);
}

TEST(StateChunk, RefusesSizesItCannotAddress) {
    StateChunk chunk;
    chunk.AppendDouble(3.0);
    EXPECT_EQ(chunk.Resize(0x7fffff00), 8);
    EXPECT_EQ(chunk.Size(), 8);
    double v = 0.0;
    EXPECT_EQ(chunk.ReadDouble(&v, 0), 8);
    EXPECT_EQ(v, 3.0);
}

}  // namespace
}  // namespace tesselor::framework
