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
    // The newest kTapCount - count values become the front of the buffer.
    for (int k = 0; k < kTapCount - count; ++k) _buffer[k] = _buffer[_start + count + k];
    _start = 0;
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
