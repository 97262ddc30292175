#include "tools/MagnitudeResponse.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tesselor::tools {

namespace {

// Frames per process call. Plug-ins commonly step their smoothing once or a few times per call,
// so short calls settle it in less audio.
constexpr int kBlock = 128;
// Impulse height, -60 dBFS: small, so that a non-linear part of a plug-in (Tesselor's saturating
// side path, mixed in at -90 dB) stays in its linear range, yet far above the floor of rounding
// noise some plug-ins never fall below. The outputs are divided by it.
constexpr double kImpulse = 1e-3;
constexpr double kSettleSeconds = 0.5;  // silence before the first impulse
// The first response length; doubled while the response has not died away, up to the maximum.
constexpr double kWindowSeconds = 2.0;
constexpr double kMaxWindowSeconds = 8.0;
constexpr int kMinWindowFrames = 4096;
// All the audio one measurement may run before it gives up, s.
constexpr double kMaxAudioSeconds = 60.0;
// A response has died away once it has fallen to a steady floor no higher than kMaxFloor (re
// the impulse, -160 dB) and stays below kTailLevel (-200 dB) or four times that floor, where it
// is cut off, within the first three quarters of its window. Plug-ins may keep a floor of rounding
// noise for ever: Tesselor's, oversampling 16 times at 768 kHz, lies near -270 dBFS.
constexpr double kMaxFloor = 1e-8;
constexpr double kTailLevel = 1e-10;
constexpr double kFloorMargin = 4.0;
// Spectrum magnitudes that differ by less than this (re the impulse) count as equal whatever their
// relative difference: the error that leaving out the tail may cause.
constexpr double kNegligible = 1e-7;
// Two successive responses whose magnitudes differ by less than this (relative, about 1e-4 dB)
// show that the smoothing has settled.
constexpr double kAgreement = 1e-5;
// Samples between exact evaluations of the Fourier sum's phasor; the rotation in between would
// otherwise gather rounding error over seconds of response.
constexpr int kAnchorFrames = 1024;

// One prepared instance and its block buffers, in the sample size it was prepared for.
class Runner {
public:
    Runner(HostedPlugin& plugin, int channels, bool doublePrecision, ParamChanges* firstBlock)
        : _plugin(plugin),
          _channels(channels),
          _doublePrecision(doublePrecision),
          _pending(firstBlock),
          _in64(channels, std::vector<double>(kBlock)),
          _out64(channels, std::vector<double>(kBlock)),
          _in32(channels, std::vector<float>(kBlock)),
          _out32(channels, std::vector<float>(kBlock)) {}

    // Runs `frames` frames of silence, with an impulse of `height` at the first one when it is
    // not 0; each channel's output divided by `height` goes to `capture` (may be null). False
    // when the plug-in fails a block or a captured output is not a finite number.
    bool Run(long frames, double height, std::vector<std::vector<double>>* capture) {
        if (capture) capture->assign(_channels, std::vector<double>(frames));
        for (long done = 0; done < frames;) {
            const int n = static_cast<int>(std::min<long>(kBlock, frames - done));
            for (int c = 0; c < _channels; ++c) {
                std::fill(_in64[c].begin(), _in64[c].end(), 0.0);
                std::fill(_in32[c].begin(), _in32[c].end(), 0.0f);
                if (done == 0 && height != 0.0) {
                    _in64[c][0] = height;
                    _in32[c][0] = static_cast<float>(height);
                }
            }
            if (!Block(n)) return false;
            _pending = nullptr;
            // Divided by the height the plug-in was given, which in floats is rounded.
            const double given = _doublePrecision ? height : static_cast<float>(height);
            for (int c = 0; capture && c < _channels; ++c) {
                for (int i = 0; i < n; ++i) {
                    const double y = _doublePrecision ? _out64[c][i] : _out32[c][i];
                    if (!std::isfinite(y)) return false;
                    (*capture)[c][done + i] = y / given;
                }
            }
            done += n;
            _frames += n;
        }
        return true;
    }

    long Frames() const { return _frames; }

private:
    bool Block(int n) {
        if (_doublePrecision) {
            const double* in[2] = {_in64[0].data(), _in64[_channels - 1].data()};
            double* out[2] = {_out64[0].data(), _out64[_channels - 1].data()};
            return _plugin.Process(in, out, n, _pending);
        }
        const float* in[2] = {_in32[0].data(), _in32[_channels - 1].data()};
        float* out[2] = {_out32[0].data(), _out32[_channels - 1].data()};
        return _plugin.Process(in, out, n, _pending);
    }

    HostedPlugin& _plugin;
    int _channels;
    bool _doublePrecision;
    ParamChanges* _pending;  // changes for the next block, then null
    std::vector<std::vector<double>> _in64, _out64;
    std::vector<std::vector<float>> _in32, _out32;
    long _frames = 0;  // run so far
};

// Frames of `response` that hold more than its floor, over every channel; -1 when it has not died
// away within its window (see kMaxFloor).
long SignificantLength(const std::vector<std::vector<double>>& response) {
    const long frames = static_cast<long>(response[0].size());
    double floor = 0.0;  // the largest value in the last eighth
    for (const std::vector<double>& channel : response) {
        for (long i = frames - frames / 8; i < frames; ++i)
            floor = std::max(floor, std::fabs(channel[i]));
    }
    if (floor > kMaxFloor) return -1;
    const double threshold = std::max(kTailLevel, kFloorMargin * floor);
    for (long i = frames - 1; i >= 0; --i) {
        for (const std::vector<double>& channel : response) {
            if (std::fabs(channel[i]) > threshold) return i + 1 > frames - frames / 4 ? -1 : i + 1;
        }
    }
    return 0;
}

// |sum h[k] e^(-i omega k)| over the first `frames` values.
double FourierMagnitude(const std::vector<double>& h, long frames, double omega) {
    double re = 0.0, im = 0.0;
    const double stepCos = std::cos(omega), stepSin = -std::sin(omega);
    for (long start = 0; start < frames; start += kAnchorFrames) {
        double c = std::cos(omega * static_cast<double>(start));
        double s = -std::sin(omega * static_cast<double>(start));
        const long end = std::min<long>(frames, start + kAnchorFrames);
        for (long k = start; k < end; ++k) {
            re += h[k] * c;
            im += h[k] * s;
            const double next = c * stepCos - s * stepSin;
            s = c * stepSin + s * stepCos;
            c = next;
        }
    }
    return std::hypot(re, im);
}

bool Agree(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b) {
    for (std::size_t c = 0; c < a.size(); ++c) {
        for (std::size_t i = 0; i < a[c].size(); ++i) {
            const double x = a[c][i], y = b[c][i];
            if (!(std::fabs(x - y) <= kAgreement * std::max(x, y) + kNegligible)) return false;
        }
    }
    return true;
}

double ToDb(double magnitude) {
    const double db = 20.0 * std::log10(magnitude);
    return std::isfinite(db) ? std::max(db, MagnitudeResponse::kFloorDb)
                             : MagnitudeResponse::kFloorDb;
}

}  // namespace

bool MagnitudeResponse::Measure(HostedPlugin& plugin, double rateHz, ParamChanges* firstBlock,
                                MagnitudeResponse* response, std::string* error) {
    auto fail = [&](const std::string& why) {
        *error = why;
        return false;
    };
    if (!(rateHz > 2.0 * kLowestHz) || !std::isfinite(rateHz))
        return fail("the rate leaves no frequencies above 10 Hz to measure");
    const bool doublePrecision = plugin.Offers64BitSamples();
    int channels = 2;
    std::string why;
    if (!plugin.Prepare(rateHz, kBlock, 2, &why, doublePrecision)) {
        channels = 1;
        if (!plugin.Prepare(rateHz, kBlock, 1, error, doublePrecision)) return false;
    }

    MagnitudeResponse& r = *response;
    r = MagnitudeResponse();
    r.sampleRateHz = rateHz;
    r.doublePrecision = doublePrecision;
    const double highestHz = rateHz / 2.0;
    for (int i = 0; i < kPointCount; ++i) {
        const double t = static_cast<double>(i) / (kPointCount - 1);
        r.frequenciesHz.push_back(
            i == kPointCount - 1 ? highestHz : kLowestHz * std::pow(highestHz / kLowestHz, t));
    }

    Runner runner(plugin, channels, doublePrecision, firstBlock);
    const long maxWindow =
        std::max<long>(std::lround(kMaxWindowSeconds * rateHz), 16 * kMinWindowFrames);
    // Room for a few of the longest responses even at the lowest rates.
    const long maxFrames = std::max<long>(std::lround(kMaxAudioSeconds * rateHz), 4 * maxWindow);
    long window = std::max<long>(std::lround(kWindowSeconds * rateHz), kMinWindowFrames);
    if (!runner.Run(std::lround(kSettleSeconds * rateHz), 0.0, nullptr))
        return fail("the plug-in failed to process a block");

    std::vector<std::vector<double>> previous;  // magnitudes of the last response, per channel
    std::vector<std::vector<double>> magnitudes;
    std::vector<std::vector<double>> h;
    for (;;) {
        if (runner.Frames() + window > maxFrames) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "the plug-in's response did not hold still within %.4g s of audio",
                          static_cast<double>(maxFrames) / rateHz);
            return fail(text);
        }
        if (!runner.Run(window, kImpulse, &h))
            return fail("the plug-in failed to process a block or put out a non-finite value");
        const long length = SignificantLength(h);
        if (length < 0) {
            // Still ringing near the end: a longer response, and, since this tail overlaps the
            // next one, no comparison with it.
            if (window >= maxWindow) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "the plug-in's response does not die away within %.4g s",
                              static_cast<double>(maxWindow) / rateHz);
                return fail(text);
            }
            window = std::min(2 * window, maxWindow);
            previous.clear();
            continue;
        }
        magnitudes.assign(channels, std::vector<double>(kPointCount));
        for (int c = 0; c < channels; ++c) {
            for (int i = 0; i < kPointCount; ++i) {
                const double omega = 2.0 * std::numbers::pi * r.frequenciesHz[i] / rateHz;
                magnitudes[c][i] = FourierMagnitude(h[c], length, omega);
            }
        }
        if (!previous.empty() && Agree(previous, magnitudes)) break;
        previous.swap(magnitudes);
    }

    for (int i = 0; i < kPointCount; ++i) {
        r.leftDb.push_back(ToDb(magnitudes[0][i]));
        if (channels == 2) r.rightDb.push_back(ToDb(magnitudes[1][i]));
    }
    r.audioSeconds = static_cast<double>(runner.Frames()) / rateHz;
    return true;
}

bool MagnitudeResponse::RightDiffers() const {
    for (std::size_t i = 0; i < rightDb.size(); ++i) {
        if (std::fabs(rightDb[i] - leftDb[i]) > kChannelToleranceDb) return true;
    }
    return false;
}

std::string MagnitudeResponse::Csv() const {
    const bool right = RightDiffers();
    std::string text =
        right ? "frequency_hz,magnitude_db,right_magnitude_db\n" : "frequency_hz,magnitude_db\n";
    char line[96];
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        // Six decimals of dB hold the measurement's precision; %.6f keeps frequencies exact to
        // a micro-hertz without an exponent.
        int n = std::snprintf(line, sizeof line, "%.6f,%.6f", frequenciesHz[i], leftDb[i]);
        if (right) n += std::snprintf(line + n, sizeof line - n, ",%.6f", rightDb[i]);
        text.append(line, n);
        text += '\n';
    }
    return text;
}

}  // namespace tesselor::tools
