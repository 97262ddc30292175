#include "raster/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TestBitmaps.h"
#include "raster/MemBitmap.h"
#include "raster/PngLoader.h"

namespace tesselor::raster {
namespace {

using test::VectorBitmap;

// Seeded random words, with every fifth pixel fully transparent and every seventh opaque so that
// both ends of alpha are present besides the partial values.
void FillRandom(VectorBitmap& bitmap, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            uint32_t word = static_cast<uint32_t>(rng());
            const int i = y * bitmap.Width() + x;
            if (i % 5 == 0) word &= 0x00FFFFFFu;
            if (i % 7 == 0) word |= 0xFF000000u;
            bitmap.At(x, y) = word;
        }
    }
}

void ExpectSamePixels(RasterBitmap& decoded, VectorBitmap& original) {
    ASSERT_EQ(decoded.Width(), original.Width());
    ASSERT_EQ(decoded.Height(), original.Height());
    for (int y = 0; y < original.Height(); ++y) {
        for (int x = 0; x < original.Width(); ++x)
            ASSERT_EQ(decoded.Row(y)[x], original.At(x, y)) << "pixel " << x << ", " << y;
    }
}

TEST(WritePngToMemory, RoundTripsStraightAlphaAsEightBitRgbaWithStableBytes) {
    // Odd width, a span wider than it and bottom-up rows: the writer must go through Row().
    VectorBitmap bitmap(7, 5, 9, /*flipped*/ true);
    FillRandom(bitmap, 5);
    std::vector<uint8_t> png;
    ASSERT_EQ(WritePngToMemory(&bitmap, png), PngWriteStatus::kOk);
    const auto decoded = LoadPngFromMemory(png.data(), static_cast<int>(png.size()));
    ASSERT_NE(decoded, nullptr);
    ExpectSamePixels(*decoded, bitmap);
    // IHDR: bit depth 8, colour type 6 (RGBA).
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 6);

    std::vector<uint8_t> again;
    ASSERT_EQ(WritePngToMemory(&bitmap, again), PngWriteStatus::kOk);
    EXPECT_EQ(again, png);
}

TEST(WritePngToMemory, RefusesBitmapsWithoutPixels) {
    std::vector<uint8_t> png{1, 2, 3};
    EXPECT_EQ(WritePngToMemory(nullptr, png), PngWriteStatus::kNoPixels);
    EXPECT_TRUE(png.empty());
    MemBitmap empty;
    EXPECT_EQ(WritePngToMemory(&empty, png), PngWriteStatus::kNoPixels);
    EXPECT_STRNE(DescribePngWriteStatus(PngWriteStatus::kNoPixels), "");
}

class PngWriterFile : public ::testing::Test {
protected:
    void SetUp() override {
        _dir = std::filesystem::temp_directory_path() /
               ("raster_png_writer_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(_dir);
    }
    void TearDown() override { std::filesystem::remove_all(_dir); }
    std::filesystem::path _dir;
};

TEST_F(PngWriterFile, WritesAFileTheLoaderReadsBack) {
    VectorBitmap bitmap(13, 3, 16, /*flipped*/ false);
    FillRandom(bitmap, 9);
    const std::string path = (_dir / "image.png").string();
    ASSERT_EQ(WritePngToFile(&bitmap, path.c_str()), PngWriteStatus::kOk);
    std::unique_ptr<RasterBitmap> decoded(LoadPngFromFile(path.c_str()));
    ASSERT_NE(decoded, nullptr);
    ExpectSamePixels(*decoded, bitmap);
}

TEST_F(PngWriterFile, FailuresSayWhyAndLeaveExistingFilesAlone) {
    const std::string path = (_dir / "kept.png").string();
    { std::ofstream(path, std::ios::binary) << "old"; }
    EXPECT_EQ(WritePngToFile(nullptr, path.c_str()), PngWriteStatus::kNoPixels);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");

    VectorBitmap bitmap(2, 2, 2, false, 0xFF102030u);
    const std::string missingDir = (_dir / "no-such-dir" / "x.png").string();
    EXPECT_EQ(WritePngToFile(&bitmap, missingDir.c_str()), PngWriteStatus::kCannotOpen);
    EXPECT_EQ(WritePngToFile(&bitmap, nullptr), PngWriteStatus::kCannotOpen);
}

}  // namespace
}  // namespace tesselor::raster
