#pragma once

#include <cstdint>

#include "raster/RasterBlit.h"

// Per-channel compositing rules shared by RasterBlit, RasterFillRect and the glyph compositor.
// Operands are byte channels 0..255; w is an integer weight 0..256 (256 = full strength). All
// divisions truncate toward zero, as C++ integer division does. Inline because they sit inside the
// pixel loops.

namespace tesselor::raster {

constexpr int kChannelShift[4] = {0, 8, 16, 24};  // blue, green, red, alpha (memory order)

constexpr int Channel(uint32_t pixel, int c) {
    return static_cast<int>((pixel >> kChannelShift[c]) & 0xFF);
}

constexpr uint32_t PackPixel(int blue, int green, int red, int alpha) {
    return static_cast<uint32_t>(blue & 0xFF) | static_cast<uint32_t>(green & 0xFF) << 8 |
           static_cast<uint32_t>(red & 0xFF) << 16 | static_cast<uint32_t>(alpha & 0xFF) << 24;
}

constexpr int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// d moved toward s by w / 256: s + (d - s) * (256 - w) / 256.
constexpr int Lerp256(int d, int s, int w) { return s + (d - s) * (256 - w) / 256; }

constexpr int AddChannel(int d, int s, int w) { return Clamp255(d + s * w / 256); }

// Colour dodge: d / (1 - s * w / 65536), with q = 1 standing in for a zero divisor.
constexpr int DodgeChannel(int d, int s, int w) {
    const int q = 256 - s * w / 256;
    const int r = q > 1 ? d * 256 / q : d * 256;
    return r < 0 ? 0 : (r >= 256 ? 255 : r);
}

// (w * s + (256 - w) * 256) * d / 65536: multiply by s at strength w.
constexpr int MultiplyChannel(int d, int s, int w) { return ((w * (s - 256) + 65536) * d) >> 16; }

constexpr int OverlayChannel(int d, int s, int w) {
    const int m = s * w + (256 - w) * 128;
    return Clamp255((((32768 - m) * d / 256 + m) * d) >> 15);
}

// Shifts the hue, saturation and value of `dest` by amounts read from the source's red (hue,
// 128 + 64 * k / 3 turns by k sectors), green (saturation, 128 neutral) and blue (value, 128
// neutral) at strength w; the result's alpha byte is `alpha`.
uint32_t HsvAdjustPixel(uint32_t dest, int srcRed, int srcGreen, int srcBlue, int w, int alpha);

// Calls use(rule) with the per-channel rule of combine mode `mode` (copy, add, dodge, multiply,
// overlay), rule(d, s, w) -> channel, so that callers pick the rule once, outside their pixel
// loops. False, without a call, for the modes that have no such rule.
template <class Use>
bool WithChannelRule(int mode, Use&& use) {
    switch (mode) {
        case kBlitCopy:
            use([](int d, int s, int w) { return Lerp256(d, s, w); });
            return true;
        case kBlitAdd:
            use([](int d, int s, int w) { return AddChannel(d, s, w); });
            return true;
        case kBlitDodge:
            use([](int d, int s, int w) { return DodgeChannel(d, s, w); });
            return true;
        case kBlitMultiply:
            use([](int d, int s, int w) { return MultiplyChannel(d, s, w); });
            return true;
        case kBlitOverlay:
            use([](int d, int s, int w) { return OverlayChannel(d, s, w); });
            return true;
        default:
            return false;
    }
}

}  // namespace tesselor::raster
