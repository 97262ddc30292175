#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "raster/MemBitmap.h"
#include "raster/PngLoader.h"
#include "raster/SysBitmap.h"

namespace tesselor::raster {
namespace {

// An image to encode: samples per pixel in PNG order, and the pixel word it must decode to.
struct TestImage {
    int width = 0;
    int height = 0;
    int depth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;  // tRNS for palette images
    bool hasTransparentColor = false;   // tRNS for grey and RGB images
    png_color_16 transparentColor{};
    std::vector<std::vector<uint16_t>> samples;  // per pixel: channels in PNG order
    std::vector<uint32_t> expected;              // per pixel, blue-green-red-alpha word
};

void WriteToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Packs rows, then encodes them with libpng's writer. The rows are built before the writer's
// error point so that nothing with a destructor is set up after it.
std::vector<uint8_t> Encode(const TestImage& image) {
    const int channels =
        image.colorType == PNG_COLOR_TYPE_GRAY || image.colorType == PNG_COLOR_TYPE_PALETTE ? 1
        : image.colorType == PNG_COLOR_TYPE_GRAY_ALPHA                                      ? 2
        : image.colorType == PNG_COLOR_TYPE_RGB                                             ? 3
                                                                                            : 4;
    const size_t rowBytes = (static_cast<size_t>(image.width) * channels * image.depth + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(image.height, std::vector<uint8_t>(rowBytes, 0));
    for (int y = 0; y < image.height; ++y) {
        size_t bit = 0;
        for (int x = 0; x < image.width; ++x) {
            for (uint16_t v : image.samples[static_cast<size_t>(y) * image.width + x]) {
                if (image.depth == 16) {
                    rows[y][bit / 8] = static_cast<uint8_t>(v >> 8);
                    rows[y][bit / 8 + 1] = static_cast<uint8_t>(v);
                } else {
                    rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - image.depth - bit % 8));
                }
                bit += image.depth;
            }
        }
    }
    std::vector<png_bytep> rowPointers;
    for (auto& row : rows) rowPointers.push_back(row.data());
    std::vector<uint8_t> out;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test image";
        return {};
    }
    png_set_write_fn(png, &out, WriteToVector, nullptr);
    png_set_IHDR(png, info, image.width, image.height, image.depth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty())
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    if (!image.paletteAlpha.empty()) {
        png_set_tRNS(png, info, image.paletteAlpha.data(),
                     static_cast<int>(image.paletteAlpha.size()), nullptr);
    }
    if (image.hasTransparentColor) png_set_tRNS(png, info, nullptr, 0, &image.transparentColor);
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

uint32_t Bgra(int r, int g, int b, int a) {
    return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(a) << 24;
}

// Fills an image of the given type with seeded random samples and works out what they decode to.
TestImage MakeImage(int colorType, int depth, int width, int height, bool withTrns, unsigned seed) {
    std::mt19937 rng(seed);
    TestImage image;
    image.width = width;
    image.height = height;
    image.depth = depth;
    image.colorType = colorType;
    const int maxSample = (1 << depth) - 1;
    auto to8 = [&](int v) { return depth == 16 ? v >> 8 : v * 255 / maxSample; };
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i <= maxSample; ++i) {
            image.palette.push_back({static_cast<png_byte>(rng()), static_cast<png_byte>(rng()),
                                     static_cast<png_byte>(rng())});
        }
        if (withTrns) {
            for (int i = 0; i < (maxSample + 1) / 2 + 1 && i <= maxSample; ++i)
                image.paletteAlpha.push_back(static_cast<uint8_t>(rng()));
        }
    }
    if (withTrns && colorType != PNG_COLOR_TYPE_PALETTE) {
        image.hasTransparentColor = true;
        image.transparentColor.gray = image.transparentColor.red =
            static_cast<png_uint_16>(maxSample / 3);
        image.transparentColor.green = image.transparentColor.blue =
            static_cast<png_uint_16>(maxSample / 3);
    }
    for (int i = 0; i < width * height; ++i) {
        auto sample = [&] {
            // Every few pixels the transparent colour itself, so that tRNS is exercised.
            return static_cast<uint16_t>(withTrns && i % 4 == 0 ? maxSample / 3
                                                                : rng() % (maxSample + 1));
        };
        std::vector<uint16_t> s;
        uint32_t word = 0;
        switch (colorType) {
            case PNG_COLOR_TYPE_GRAY: {
                const int g = sample();
                s = {static_cast<uint16_t>(g)};
                word = Bgra(to8(g), to8(g), to8(g), withTrns && g == maxSample / 3 ? 0 : 255);
                break;
            }
            case PNG_COLOR_TYPE_GRAY_ALPHA: {
                const int g = sample(), a = sample();
                s = {static_cast<uint16_t>(g), static_cast<uint16_t>(a)};
                word = Bgra(to8(g), to8(g), to8(g), to8(a));
                break;
            }
            case PNG_COLOR_TYPE_RGB: {
                const int v = sample();
                const int r = v, g = withTrns && i % 4 == 0 ? v : sample(),
                          b = withTrns && i % 4 == 0 ? v : sample();
                s = {static_cast<uint16_t>(r), static_cast<uint16_t>(g), static_cast<uint16_t>(b)};
                const bool clear =
                    withTrns && r == maxSample / 3 && g == maxSample / 3 && b == maxSample / 3;
                word = Bgra(to8(r), to8(g), to8(b), clear ? 0 : 255);
                break;
            }
            case PNG_COLOR_TYPE_RGB_ALPHA: {
                const int r = sample(), g = sample(), b = sample(), a = sample();
                s = {static_cast<uint16_t>(r), static_cast<uint16_t>(g), static_cast<uint16_t>(b),
                     static_cast<uint16_t>(a)};
                word = Bgra(to8(r), to8(g), to8(b), to8(a));
                break;
            }
            default: {  // palette: samples are indices, colours come out as stored
                const int index = static_cast<int>(rng() % (maxSample + 1));
                s = {static_cast<uint16_t>(index)};
                const png_color& c = image.palette[index];
                const int a = index < static_cast<int>(image.paletteAlpha.size())
                                  ? image.paletteAlpha[index]
                                  : 255;
                word = Bgra(c.red, c.green, c.blue, a);
                break;
            }
        }
        image.samples.push_back(s);
        image.expected.push_back(word);
    }
    return image;
}

void ExpectPixels(RasterBitmap& bitmap, const TestImage& image) {
    ASSERT_EQ(bitmap.Width(), image.width);
    ASSERT_EQ(bitmap.Height(), image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            ASSERT_EQ(bitmap.Row(y)[x], image.expected[static_cast<size_t>(y) * image.width + x])
                << "pixel " << x << ", " << y;
        }
    }
}

struct FormatCase {
    const char* name;
    int colorType;
    int depth;
    bool trns;
};

constexpr FormatCase kFormats[] = {
    {"grey 1", PNG_COLOR_TYPE_GRAY, 1, false},
    {"grey 2", PNG_COLOR_TYPE_GRAY, 2, false},
    {"grey 4", PNG_COLOR_TYPE_GRAY, 4, false},
    {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false},
    {"grey 16", PNG_COLOR_TYPE_GRAY, 16, false},
    {"grey 8 tRNS", PNG_COLOR_TYPE_GRAY, 8, true},
    {"grey 2 tRNS", PNG_COLOR_TYPE_GRAY, 2, true},
    {"grey+alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
    {"grey+alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
    {"RGB 8", PNG_COLOR_TYPE_RGB, 8, false},
    {"RGB 16", PNG_COLOR_TYPE_RGB, 16, false},
    {"RGB 8 tRNS", PNG_COLOR_TYPE_RGB, 8, true},
    {"RGBA 8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false},
    {"RGBA 16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
    {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, false},
    {"palette 2 tRNS", PNG_COLOR_TYPE_PALETTE, 2, true},
    {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, false},
    {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, false},
    {"palette 8 tRNS", PNG_COLOR_TYPE_PALETTE, 8, true},
};

TEST(LoadPngFromMemory, DecodesEveryColourTypeAndDepth) {
    for (bool interlaced : {false, true}) {
        for (const FormatCase& f : kFormats) {
            SCOPED_TRACE(std::string(f.name) + (interlaced ? " interlaced" : ""));
            TestImage image = MakeImage(f.colorType, f.depth, 47, 9, f.trns, 3);
            image.interlaced = interlaced;
            const std::vector<uint8_t> png = Encode(image);
            std::unique_ptr<MemBitmap> bitmap =
                LoadPngFromMemory(png.data(), static_cast<int>(png.size()));
            ASSERT_NE(bitmap, nullptr);
            EXPECT_EQ(bitmap->RowSpan(), 48);
            ExpectPixels(*bitmap, image);
        }
    }
}

TEST(LoadPngFromMemory, OneBitGreyIsOpaqueBlackAndWhiteAndSpanFollowsWidth) {
    TestImage image = MakeImage(PNG_COLOR_TYPE_GRAY, 1, 52, 2, false, 5);
    const std::vector<uint8_t> png = Encode(image);
    std::unique_ptr<MemBitmap> bitmap = LoadPngFromMemory(png.data(), static_cast<int>(png.size()));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->RowSpan(), 52);
    for (int x = 0; x < 52; ++x) {
        const uint32_t p = bitmap->Row(0)[x];
        EXPECT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu) << std::hex << p;
    }
}

// A valid PNG header chunk with the given size, CRC included.
std::vector<uint8_t> HeaderOnly(uint32_t width, uint32_t height) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<uint8_t>(v >> shift));
    }
    out.insert(out.end(), {8, 6, 0, 0, 0});
    const uint32_t crc = static_cast<uint32_t>(crc32(0, out.data() + 12, 17));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
    return out;
}

TEST(LoadPngFromMemory, RefusesShortCorruptTruncatedAndOversizedInput) {
    const std::vector<uint8_t> good =
        Encode(MakeImage(PNG_COLOR_TYPE_RGB_ALPHA, 8, 13, 7, false, 9));
    ASSERT_NE(LoadPngFromMemory(good.data(), static_cast<int>(good.size())), nullptr);

    EXPECT_EQ(LoadPngFromMemory(nullptr, 100), nullptr);
    EXPECT_EQ(LoadPngFromMemory(good.data(), 7), nullptr);
    EXPECT_EQ(LoadPngFromMemory(good.data(), -1), nullptr);
    std::vector<uint8_t> notPng = good;
    notPng[1] = 'Q';
    EXPECT_EQ(LoadPngFromMemory(notPng.data(), static_cast<int>(notPng.size())), nullptr);

    // Every truncation: missing bytes read as zeros and end in libpng's error path. The last
    // chunk (IEND) is never read, so cuts inside it still decode.
    const size_t iend = good.size() - 12;
    for (size_t cut = 8; cut < iend; ++cut) {
        EXPECT_EQ(LoadPngFromMemory(good.data(), static_cast<int>(cut)), nullptr)
            << "cut at " << cut;
    }
    // A flipped bit anywhere in the header or image data chunks breaks a CRC or the stream.
    for (size_t at = 8; at < iend; at += 3) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x10;
        EXPECT_EQ(LoadPngFromMemory(bad.data(), static_cast<int>(bad.size())), nullptr)
            << "flip at " << at;
    }
    for (auto [w, h] : {std::pair{20000u, 1u}, std::pair{1u, 16385u}, std::pair{16384u, 16384u},
                        std::pair{0u, 5u}, std::pair{0x80000000u, 1u}}) {
        const std::vector<uint8_t> header = HeaderOnly(w, h);
        EXPECT_EQ(LoadPngFromMemory(header.data(), static_cast<int>(header.size())), nullptr)
            << w << " x " << h;
    }
}

class PngFile : public ::testing::Test {
protected:
    void SetUp() override {
        _dir = std::filesystem::temp_directory_path() /
               ("raster_png_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(_dir);
    }
    void TearDown() override { std::filesystem::remove_all(_dir); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (_dir / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    std::filesystem::path _dir;
};

TEST_F(PngFile, LoadsIntoANewOrTheGivenBitmap) {
    const TestImage image = MakeImage(PNG_COLOR_TYPE_PALETTE, 4, 21, 6, true, 13);
    const std::string path = Write("image.png", Encode(image));

    std::unique_ptr<RasterBitmap> created(LoadPngFromFile(path.c_str()));
    ASSERT_NE(created, nullptr);
    ExpectPixels(*created, image);

    SysBitmap dest(3, 3);
    EXPECT_EQ(LoadPngFromFile(path.c_str(), &dest), &dest);
    ExpectPixels(dest, image);

    EXPECT_EQ(LoadPngFromFile((_dir / "missing.png").string().c_str()), nullptr);
    const std::string junk = Write("junk.png", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(LoadPngFromFile(junk.c_str(), &dest), nullptr);
}

TEST_F(PngFile, LoaderEntryChecksTheExtension) {
    const std::vector<uint8_t> png = Encode(MakeImage(PNG_COLOR_TYPE_RGB, 8, 4, 4, false, 1));
    const std::string upper = Write("IMAGE.PNG", png);
    const std::string other = Write("image.jpg", png);
    const std::string hidden = Write("dir.png_x", png);
    const ImageLoaderEntry* loader = FirstImageLoader();
    ASSERT_NE(loader, nullptr);
    EXPECT_EQ(std::string(loader->extensions(), 24), std::string("PNG files (*.PNG)\0*.PNG\0", 24));

    std::unique_ptr<RasterBitmap> a(loader->load(upper.c_str(), true, nullptr));
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(loader->load(other.c_str(), true, nullptr), nullptr);
    EXPECT_EQ(loader->load(hidden.c_str(), true, nullptr), nullptr);
    std::unique_ptr<RasterBitmap> b(loader->load(other.c_str(), false, nullptr));
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(loader->load("/no/such/dir.png/file", true, nullptr), nullptr);
}

}  // namespace
}  // namespace tesselor::raster
