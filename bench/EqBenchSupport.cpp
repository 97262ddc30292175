#include "bench/EqBenchSupport.h"

#include <algorithm>
#include <random>

namespace tesselor::bench {

StereoSignal MakeNoise(int frames, double level, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-level, level);
    StereoSignal s = MakeSilence(frames);
    for (int i = 0; i < frames; ++i) {
        s.left[i] = dist(rng);
        s.right[i] = dist(rng);
    }
    return s;
}

StereoSignal MakeSilence(int frames) {
    return {std::vector<double>(frames), std::vector<double>(frames)};
}

EqRun::EqRun(double rateHz, int factor, plugin::eq::EqSwitches switches, int block)
    : _rateHz(rateHz), _switches(switches), _block(block) {
    for (int i = 0; i < 10; ++i) _engine.SetPot(i, kBenchPots[i]);
    _engine.SetOutputGainTarget(1.0);
    _engine.SetHighOversampling(factor == plugin::eq::EqEngine::kHighFactor);
}

void EqRun::Process(const StereoSignal& in, StereoSignal& out) {
    for (int pos = 0; pos < kFrames; pos += _block) {
        const int n = std::min(_block, kFrames - pos);
        _engine.ProcessBlock(&in.left[pos], &in.right[pos], &out.left[pos], &out.right[pos], n,
                             _switches, _rateHz);
    }
    benchmark::DoNotOptimize(out.left.data());
    benchmark::DoNotOptimize(out.right.data());
}

void EqRun::Settle(const StereoSignal& in, StereoSignal& out) {
    for (int done = 0; done < _rateHz; done += kFrames) Process(in, out);
}

double LowDecile(std::vector<double>& values) {
    if (values.empty()) return 0.0;
    const auto decile = values.begin() + values.size() / 10;
    std::nth_element(values.begin(), decile, values.end());
    return *decile;
}

void ReportRtf(benchmark::State& state, double seconds, double rateHz) {
    state.counters["rtf"] = kFrames / rateHz / seconds;
}

}  // namespace tesselor::bench
