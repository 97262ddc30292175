#include "raster/PixelRules.h"

#include <algorithm>
#include <array>

namespace tesselor::raster {

namespace {

// floor(65536 / x) - 1, and 0 for x = 0: x * T[x] is just below 65536, so "* T[x] >> 16"
// divides by x without a divide.
constexpr std::array<uint16_t, 256> MakeHueDivisionTable() {
    std::array<uint16_t, 256> t{};
    for (int x = 1; x < 256; ++x) t[x] = static_cast<uint16_t>(65536 / x - 1);
    return t;
}
constexpr std::array<uint16_t, 256> kHueDivisionTable = MakeHueDivisionTable();

constexpr int kHueCircle = 384;  // six sectors of 64

}  // namespace

uint32_t HsvAdjustPixel(uint32_t dest, int srcRed, int srcGreen, int srcBlue, int w, int alpha) {
    const int r = Channel(dest, 2);
    const int g = Channel(dest, 1);
    const int b = Channel(dest, 0);

    int max = 0, delta = 0, n = 0, base = 0;
    if (g > r) {
        if (g > b) {
            max = g, delta = g - std::min(r, b), n = b - r, base = 128;
        } else {
            max = b, delta = b - r, n = r - g, base = 256;
        }
    } else if (r > b) {
        max = r, delta = r - std::min(g, b), n = g - b, base = g < b ? 383 : 0;
    } else {
        max = b, delta = b - std::min(r, g), n = r - g, base = 256;
    }
    int s = delta * kHueDivisionTable[max] / 256;
    int h = base + n * (kHueDivisionTable[delta] + 1) / 1024;
    int v = max;

    h += w * (srcRed + srcRed / 2 - 192) / 256;
    if (h < 0) {
        h += kHueCircle;
    } else if (h >= kHueCircle) {
        h -= kHueCircle;
    }
    s = Clamp255(s + (srcGreen - 128) * w / 128);
    v = Clamp255(v + (srcBlue - 128) * w / 128);

    const int low = v * (256 - s) / 256;
    auto ramp = [&](int k) { return ((16384 + k * s) * v) / 16384; };
    int outR = 0, outG = 0, outB = 0;
    if (h < 64) {
        outR = v, outG = ramp(h - 64), outB = low;
    } else if (h < 128) {
        outR = ramp(64 - h), outG = v, outB = low;
    } else if (h < 192) {
        outR = low, outG = v, outB = ramp(h - 192);
    } else if (h < 256) {
        outR = low, outG = ramp(192 - h), outB = v;
    } else if (h < 320) {
        outR = ramp(h - 320), outG = low, outB = v;
    } else {
        outR = v, outG = low, outB = ramp(320 - h);
    }
    return PackPixel(outB, outG, outR, alpha);
}

}  // namespace tesselor::raster
