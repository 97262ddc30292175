#include "plugin/eq/Poly4Resampler.h"

namespace tesselor::plugin::eq {

void Poly4Resampler::Clear() noexcept {
    for (Stereo& v : u) v = Stereo{};
    for (Stereo& v : buffer) v = Stereo{};
    start = 0;
}

void Poly4Resampler::ClearLane(int lane) noexcept {
    for (Stereo& v : u) v[lane] = 0.0;
    for (Stereo& v : buffer) v[lane] = 0.0;
}

Stereo Poly4Resampler::NonFiniteProbe() const noexcept {
    // Two sums side by side: only 0 against NaN counts (see BandSection::NonFiniteProbe).
    static_assert(kHistory % 2 == 0 && kTapCount % 2 == 1);
    Stereo first = Line(kTapCount - 1) - Line(kTapCount - 1), second{};
    for (int m = 0; m < kHistory; m += 2) {
        first += u[m] - u[m];
        second += u[m + 1] - u[m + 1];
    }
    for (int k = 0; k < kTapCount - 1; k += 2) {
        first += Line(k) - Line(k);
        second += Line(k + 1) - Line(k + 1);
    }
    return first + second;
}

void Poly4Resampler::Compact(int count) noexcept {
    // The newest kTapCount - count values become the front of the line. `count` is even, so the
    // pairs from Line(1) on stay pairs and are moved whole, as the loop's decimation reads them.
    const Stereo oldest = Line(count);
    const Quad* from = reinterpret_cast<const Quad*>(&Line(count + 1));
    start = 0;
    Line(0) = oldest;
    Quad* to = reinterpret_cast<Quad*>(&Line(1));
    for (int p = 0; p < (kTapCount - count - 1) / 2; ++p) to[p] = from[p];
}

void Poly4Resampler::Push(Stereo v) noexcept {
    if (start + 4 + kTapCount > kCapacity)
        Compact(4);
    else
        start += 4;
    Stereo* fresh = &Line(kTapCount - 4);
    for (int m = kHistory - 1; m >= 1; --m) u[m] = u[m - 1];
    u[0] = v * 4.0;
    for (int j = 0; j < 3; ++j) {
        Stereo sum{};
        for (int m = 0; m < kHistory; ++m) sum += kTaps[4 * m + j] * u[m];
        fresh[j] = sum;
    }
    fresh[3] = kTaps[15] * u[3];
}

}  // namespace tesselor::plugin::eq
