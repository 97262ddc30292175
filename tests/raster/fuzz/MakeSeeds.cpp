// Writes a small PNG of every colour type and bit depth into the directory given, as the fuzzer's
// starting corpus.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool WriteSeed(const std::string& path, int colorType, int depth, bool interlaced, bool trns) {
    const int channels = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_PALETTE ? 1
                         : colorType == PNG_COLOR_TYPE_GRAY_ALPHA                                ? 2
                         : colorType == PNG_COLOR_TYPE_RGB                                       ? 3
                                                           : 4;
    const int width = 7, height = 5;
    const size_t rowBytes = (static_cast<size_t>(width) * channels * depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(height, std::vector<png_byte>(rowBytes));
    for (int y = 0; y < height; ++y)
        for (size_t i = 0; i < rowBytes; ++i) rows[y][i] = static_cast<png_byte>(y * 37 + i * 11);
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    std::vector<png_color> palette(1u << (depth > 8 ? 8 : depth));
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {png_byte(i * 3), png_byte(i * 5), png_byte(i * 7)};
    std::vector<png_byte> alpha(palette.size() / 2 + 1, 0x40);
    png_color_16 transparent{};

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, depth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (trns) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
    } else if (trns) {
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-dir\n", argv[0]);
        return 2;
    }
    struct Kind {
        int colorType, depth;
        bool trns;
    };
    const Kind kinds[] = {
        {PNG_COLOR_TYPE_GRAY, 1, false},      {PNG_COLOR_TYPE_GRAY, 4, true},
        {PNG_COLOR_TYPE_GRAY, 16, false},     {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
        {PNG_COLOR_TYPE_RGB, 8, true},        {PNG_COLOR_TYPE_RGB, 16, false},
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, false}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
        {PNG_COLOR_TYPE_PALETTE, 2, true},    {PNG_COLOR_TYPE_PALETTE, 8, false}};
    int n = 0;
    for (const Kind& k : kinds) {
        for (bool interlaced : {false, true}) {
            const std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++) + ".png";
            if (!WriteSeed(path, k.colorType, k.depth, interlaced, k.trns)) {
                std::fprintf(stderr, "could not write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
