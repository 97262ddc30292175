#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"

namespace tesselor::resources {
namespace {

using raster::RasterBitmap;

enum class Kind { kBackground, kSwitch, kKnob, kLegend };

struct ImageCase {
    const char* file;
    int width;  // pixels, whole image
    int height;
    int frames;
    Kind kind;
};

constexpr ImageCase kImages[] = {
    {"BG.png", 774, 237, 1, Kind::kBackground}, {"BELL.png", 47, 124, 2, Kind::kSwitch},
    {"HPLP.png", 47, 124, 2, Kind::kSwitch},    {"BY.png", 47, 124, 2, Kind::kSwitch},
    {"OVER.png", 150, 50, 2, Kind::kLegend},    {"LG.png", 52, 1643, 31, Kind::kKnob},
    {"LF.png", 52, 1643, 31, Kind::kKnob},      {"LMG.png", 52, 1643, 31, Kind::kKnob},
    {"LMF.png", 52, 1643, 31, Kind::kKnob},     {"HMG.png", 52, 1643, 31, Kind::kKnob},
    {"HMF.png", 52, 1643, 31, Kind::kKnob},     {"HG.png", 52, 1643, 31, Kind::kKnob},
    {"HF.png", 52, 1643, 31, Kind::kKnob},      {"HP.png", 52, 1643, 31, Kind::kKnob},
    {"LP.png", 52, 1643, 31, Kind::kKnob},      {"GAIN.png", 52, 1643, 31, Kind::kKnob},
};

std::unique_ptr<RasterBitmap> Load(const std::filesystem::path& path) {
    return std::unique_ptr<RasterBitmap>(raster::LoadPngFromFile(path.string().c_str()));
}

int Alpha(uint32_t pixel) { return static_cast<int>(pixel >> 24); }

// What the editor relies on: the sizes, an opaque background, and images drawn over it that
// leave the panel showing around them (every frame's corners clear) or, for the oversampling
// legend, add nothing but white.
TEST(Artwork, CommittedImagesHaveThePanelsSizesAndGrounds) {
    for (const ImageCase& c : kImages) {
        SCOPED_TRACE(c.file);
        const auto image = Load(std::filesystem::path(TESSELOR_ARTWORK_DIR) / c.file);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->Width(), c.width);
        ASSERT_EQ(image->Height(), c.height);
        const int frameHeight = c.height / c.frames;
        for (int y = 0; y < c.height; ++y) {
            const uint32_t* row = image->Row(y);
            const bool frameEdge = y % frameHeight == 0 || y % frameHeight == frameHeight - 1;
            for (int x = 0; x < c.width; ++x) {
                if (c.kind == Kind::kBackground) {
                    ASSERT_EQ(Alpha(row[x]), 255) << x << ", " << y;
                }
                if (c.kind == Kind::kLegend && Alpha(row[x]) > 0) {
                    ASSERT_EQ(row[x] & 0xFFFFFFu, 0xFFFFFFu) << x << ", " << y;
                }
            }
            if ((c.kind == Kind::kKnob || c.kind == Kind::kSwitch) && frameEdge) {
                EXPECT_EQ(Alpha(row[0]), 0) << "row " << y;
                EXPECT_EQ(Alpha(row[c.width - 1]), 0) << "row " << y;
            }
        }
    }
}

TEST(Artwork, GeneratorRebuildsTheCommittedImages) {
    const std::filesystem::path scratch = TESSELOR_TEST_SCRATCH;
    std::filesystem::remove_all(scratch);
    const std::string command =
        std::string("\"") + TESSELOR_MAKE_ARTWORK + "\" \"" + scratch.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    for (const ImageCase& c : kImages) {
        SCOPED_TRACE(c.file);
        const auto committed = Load(std::filesystem::path(TESSELOR_ARTWORK_DIR) / c.file);
        const auto generated = Load(scratch / c.file);
        ASSERT_NE(committed, nullptr);
        ASSERT_NE(generated, nullptr);
        const std::string stale = std::string("resources/img/") + c.file +
                                  " is not what the generator draws; scripts/make-artwork "
                                  "regenerates the committed images";
        ASSERT_EQ(generated->Width(), committed->Width()) << stale;
        ASSERT_EQ(generated->Height(), committed->Height()) << stale;
        for (int y = 0; y < committed->Height(); ++y) {
            const uint32_t* want = committed->Row(y);
            const uint32_t* got = generated->Row(y);
            for (int x = 0; x < committed->Width(); ++x)
                ASSERT_EQ(got[x], want[x])
                    << stale << " (first difference at " << x << ", " << y << ")";
        }
    }
}

}  // namespace
}  // namespace tesselor::resources
