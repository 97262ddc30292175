// tesselor_example_audio: writes a short stereo groove (kick, bass, hats, a chord pad) made from
// formulas, so the project needs no downloaded samples to show what the equaliser does.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRateHz = 48000;
constexpr double kTempoBpm = 112.0;
constexpr double kDefaultSeconds = 8.0;

double Sine(double phaseCycles) { return std::sin(2.0 * std::numbers::pi * phaseCycles); }

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: tesselor_example_audio OUT.wav [SECONDS]\n");
        return 1;
    }
    const double seconds = argc == 3 ? std::atof(argv[2]) : kDefaultSeconds;
    if (!(seconds > 0.0 && seconds <= 3600.0)) {
        std::fprintf(stderr, "tesselor_example_audio: SECONDS must be above 0 and at most 3600\n");
        return 1;
    }
    const long frames = static_cast<long>(seconds * kRateHz);
    const double beatS = 60.0 / kTempoBpm;
    const int bass[8] = {36, 36, 43, 36, 39, 39, 41, 43};   // one note per beat, C minor
    const int chords[2][3] = {{60, 63, 67}, {58, 62, 65}};  // Cm, Bb, one per bar
    std::mt19937 rng(1);                                    // fixed seed: same file every time
    std::uniform_real_distribution<double> noise(-1.0, 1.0);

    std::vector<float> out(static_cast<std::size_t>(frames) * 2);
    double hatState = 0.0;  // one-pole high-pass memory for the hats
    for (long n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRateHz;
        const double beat = t / beatS;
        const int beatIndex = static_cast<int>(beat);
        const double inBeatS = (beat - beatIndex) * beatS;

        // Kick: a sine falling from 150 to 50 Hz with a 120 ms decay, on every beat.
        const double kickHz = 50.0 + 100.0 * std::exp(-inBeatS / 0.03);
        const double kick = 0.8 * std::exp(-inBeatS / 0.12) * Sine(kickHz * inBeatS);
        // Bass: saw-like (three harmonics) with a short pluck envelope.
        const double bassHz = NoteHz(bass[beatIndex % 8]);
        double bassTone = 0.0;
        for (int h = 1; h <= 3; ++h) bassTone += Sine(h * bassHz * t) / h;
        const double bassLine = 0.25 * std::exp(-inBeatS / 0.35) * bassTone;
        // Hats: high-passed noise on the off-beats, 30 ms decay.
        const double offS = std::fmod(t + beatS / 2.0, beatS);
        const double white = noise(rng);
        const double hatHp = white - hatState;
        hatState = 0.7 * hatState + 0.3 * white;
        const double hat = 0.18 * std::exp(-offS / 0.03) * hatHp;
        // Pad: the bar's chord, slightly detuned between the channels for width.
        const int bar = beatIndex / 4;
        double padL = 0.0;
        double padR = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double hz = NoteHz(chords[bar % 2][k]);
            padL += Sine(hz * 0.998 * t);
            padR += Sine(hz * 1.002 * t);
        }
        const double swell = 0.06 * (1.0 - std::exp(-std::fmod(t, 4.0 * beatS) / 0.4));
        // Fade in and out over 20 ms so the file starts and ends without clicks.
        const double fade = std::min(1.0, std::min(t, seconds - t) / 0.02);
        const double mono = kick + bassLine;
        out[2 * n] = static_cast<float>(fade * (mono + 1.2 * hat + swell * padL));
        out[2 * n + 1] = static_cast<float>(fade * (mono + 0.8 * hat + swell * padR));
    }

    SF_INFO info = {};
    info.samplerate = kRateHz;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "tesselor_example_audio: %s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    const bool ok = sf_writef_float(file, out.data(), frames) == frames;
    sf_close(file);
    if (!ok) {
        std::fprintf(stderr, "tesselor_example_audio: %s: write failed\n", argv[1]);
        return 1;
    }
    return 0;
}
