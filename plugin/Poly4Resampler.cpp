#include "plugin/Poly4Resampler.h"

namespace tesselor::plugin {

void Poly4Resampler::Clear() noexcept {
    for (Stereo& v : _u) v = Stereo{};
    for (Stereo& v : _buffer) v = Stereo{};
    _start = 0;
}

void Poly4Resampler::ClearLane(int lane) noexcept {
    for (Stereo& v : _u) v[lane] = 0.0;
    for (Stereo& v : _buffer) v[lane] = 0.0;
}

Stereo Poly4Resampler::NonFiniteProbe() const noexcept {
    Stereo probe{};
    for (const Stereo& v : _u) probe += v - v;
    for (int k = 0; k < kTapCount; ++k) probe += Line(k) - Line(k);
    return probe;
}

void Poly4Resampler::Compact(int count) noexcept {
    // The newest kTapCount - count values become the front of the line. `count` is even, so the
    // pairs from Line(1) on stay pairs and are moved whole, as Decimate reads them.
    const Stereo oldest = Line(count);
    const Quad* from = reinterpret_cast<const Quad*>(&Line(count + 1));
    _start = 0;
    Line(0) = oldest;
    Quad* to = reinterpret_cast<Quad*>(&Line(1));
    for (int p = 0; p < (kTapCount - count - 1) / 2; ++p) to[p] = from[p];
}

void Poly4Resampler::Push(Stereo v) noexcept {
    Stereo* fresh = MakeRoom(4);
    for (int m = kHistory - 1; m >= 1; --m) _u[m] = _u[m - 1];
    _u[0] = v * Splat(4.0);
    for (int j = 0; j < 3; ++j) {
        Stereo sum{};
        for (int m = 0; m < kHistory; ++m) sum += Splat(kTaps[4 * m + j]) * _u[m];
        fresh[j] = sum;
    }
    fresh[3] = Splat(kTaps[15]) * _u[3];
}

}  // namespace tesselor::plugin
