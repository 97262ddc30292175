#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "raster/MemBitmap.h"
#include "raster/SysBitmap.h"

namespace tesselor::raster {
namespace {

TEST(MemBitmap, GrowsWithSlackKeepsItsBlockWhenShrinkingAndAligns) {
    MemBitmap bitmap;
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.DeviceContext(), nullptr);
    EXPECT_EQ(bitmap.QueryExtension(1234, nullptr), 0);

    EXPECT_TRUE(bitmap.Resize(5, 3));
    EXPECT_EQ(bitmap.RowSpan(), 8);
    EXPECT_EQ(bitmap.CapacityBytes(), 96);
    uint32_t* const first = bitmap.Pixels();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 64, 0u);
    first[8 * 3 - 1] = 0xDEADBEEF;  // the whole padded block is writable

    EXPECT_FALSE(bitmap.Resize(5, 3));
    EXPECT_EQ(bitmap.Pixels(), first);

    EXPECT_TRUE(bitmap.Resize(4, 3));  // smaller: same block, new span
    EXPECT_EQ(bitmap.Pixels(), first);
    EXPECT_EQ(bitmap.CapacityBytes(), 96);
    EXPECT_EQ(bitmap.RowSpan(), 4);

    EXPECT_TRUE(bitmap.Resize(25, 4));  // needs 4 rows of 28 pixels: 448 bytes
    EXPECT_EQ(bitmap.CapacityBytes(), 448 + 448 / 4);
    EXPECT_TRUE(bitmap.Resize(20, 5));  // needs 400: fits, no change
    EXPECT_EQ(bitmap.CapacityBytes(), 560);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bitmap.Pixels()) % 64, 0u);

    EXPECT_TRUE(bitmap.Resize(0, 7));
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.CapacityBytes(), 0);
}

TEST(MemBitmap, GrowthFromNinetySixToFourHundredBytesReservesAQuarterMore) {
    MemBitmap bitmap;
    bitmap.Resize(8, 3);   // 96 bytes
    bitmap.Resize(20, 5);  // 400 bytes
    EXPECT_EQ(bitmap.CapacityBytes(), 500);
}

TEST(MemBitmap, RefusesSizesThatWouldOverflowInsteadOfWrapping) {
    for (auto [w, h] : {std::pair{INT_MAX, 2}, std::pair{65536, 65536}, std::pair{INT_MAX, INT_MAX},
                        std::pair{-4, 5}}) {
        MemBitmap bitmap;
        EXPECT_TRUE(bitmap.Resize(w, h));
        EXPECT_EQ(bitmap.Pixels(), nullptr);
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_EQ(bitmap.Height(), 0);
    }
}

TEST(SysBitmap, KeepsItsSectionWhileTheSizeFitsAndReplacesItOtherwise) {
    SysBitmap bitmap(0, 0);
    EXPECT_NE(bitmap.DeviceContext(), nullptr);
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_FALSE(bitmap.Resize(0, 0));
    EXPECT_EQ(bitmap.QueryExtension(7, nullptr), 0);

    EXPECT_TRUE(bitmap.Resize(100, 100));
    ASSERT_NE(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.RowSpan(), 100);
    EXPECT_EQ(bitmap.Pixels()[100 * 100 - 1], 0u);  // a new section is cleared
    uint32_t* const section = bitmap.Pixels();

    EXPECT_TRUE(bitmap.Resize(10, 10));
    EXPECT_EQ(bitmap.Pixels(), section);
    EXPECT_EQ(bitmap.RowSpan(), 100);
    EXPECT_EQ(bitmap.Width(), 10);

    EXPECT_TRUE(bitmap.Resize(101, 10));
    EXPECT_EQ(bitmap.RowSpan(), 104);
    EXPECT_EQ(bitmap.Height(), 10);
    ASSERT_NE(bitmap.Pixels(), nullptr);
    bitmap.Pixels()[104 * 10 - 1] = 1;

    EXPECT_FALSE(bitmap.Resize(0, 10));  // no section for an empty size
    EXPECT_EQ(bitmap.Pixels(), nullptr);

    SysBitmap huge(INT_MAX, INT_MAX);
    EXPECT_EQ(huge.Pixels(), nullptr);
    EXPECT_EQ(huge.Width(), 0);
}

}  // namespace
}  // namespace tesselor::raster
