// The engine's ProcessBlock for one stereo pair, block 512, against the literal evaluation of the
// same formulas. rtf = seconds of audio per CPU second; x_literal = how many times faster than the
// literal evaluation, timed in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

#include "plugin/eq/EqEngine.h"
#include "tests/plugin/eq/LiteralEq.h"

namespace {

using tesselor::plugin::eq::EqEngine;
using tesselor::plugin::eq::EqSwitches;
using tesselor::plugin::eq::test::LiteralEq;

constexpr int kBlock = 512;  // samples per channel
constexpr int kSeed = 1;

struct Stereo {
    std::vector<double> left, right;
};

Stereo MakeNoise(int frames, double level, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-level, level);
    Stereo s{std::vector<double>(frames), std::vector<double>(frames)};
    for (int i = 0; i < frames; ++i) {
        s.left[i] = dist(rng);
        s.right[i] = dist(rng);
    }
    return s;
}

// The pots as the plug-in's defaults leave them, with a few bands moved off so that no section
// sits at a special value; LiteralSecondsPerBlock uses the same.
constexpr double kPots[10] = {0.7, 0.725, 0.3, 0.725, 0.8, 0.725, 0.35, 0.725, 0.0, 1.0};
constexpr EqSwitches kIn{0, 0, 1};  // shelf, filters out, equaliser in

// An engine as the plug-in sets it up: pots, unity output gain, the oversampling factor.
class Eq {
public:
    Eq(double rateHz, int factor) : _rateHz(rateHz) {
        for (int i = 0; i < 10; ++i) _engine.SetPot(i, kPots[i]);
        _engine.SetOutputGainTarget(1.0);
        _engine.SetHighOversampling(factor == EqEngine::kHighFactor);
    }
    void Process(const Stereo& in, std::vector<double>& outL, std::vector<double>& outR) {
        _engine.ProcessBlock(in.left.data(), in.right.data(), outL.data(), outR.data(), kBlock, kIn,
                             _rateHz);
    }

private:
    EqEngine _engine;
    double _rateHz;
};

double LiteralSecondsPerBlock(double rateHz, int factor, const Stereo& in) {
    LiteralEq ref;
    for (int i = 0; i < 10; ++i) ref.SetPot(i, kPots[i]);
    ref.SetFactor(factor);
    std::vector<double> outL(kBlock), outR(kBlock);
    constexpr int kBlocks = 40;
    const auto start = std::chrono::steady_clock::now();
    for (int b = 0; b < kBlocks; ++b) {
        ref.Process(in.left.data(), in.right.data(), outL.data(), outR.data(), kBlock, rateHz);
        benchmark::DoNotOptimize(outL.data());
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / kBlocks;
}

void BM_EqProcessBlock(benchmark::State& state) {
    const double rateHz = static_cast<double>(state.range(0));
    const int factor = static_cast<int>(state.range(1));
    Eq eq(rateHz, factor);
    const Stereo in = MakeNoise(kBlock, 0.5, kSeed);
    std::vector<double> outL(kBlock), outR(kBlock);

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        eq.Process(in, outL, outR);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double fastPerBlock = elapsed.count() / static_cast<double>(state.iterations());

    state.counters["rtf"] =
        benchmark::Counter(kBlock / rateHz, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["x_literal"] = LiteralSecondsPerBlock(rateHz, factor, in) / fastPerBlock;
}
BENCHMARK(BM_EqProcessBlock)->ArgNames({"rate", "F"})->ArgsProduct({{48000, 96000}, {4, 16}});

void BM_EqLiteral(benchmark::State& state) {
    const double rateHz = static_cast<double>(state.range(0));
    const int factor = static_cast<int>(state.range(1));
    LiteralEq ref;
    ref.SetFactor(factor);
    const Stereo in = MakeNoise(kBlock, 0.5, kSeed);
    std::vector<double> outL(kBlock), outR(kBlock);
    for (auto _ : state) {
        ref.Process(in.left.data(), in.right.data(), outL.data(), outR.data(), kBlock, rateHz);
        benchmark::DoNotOptimize(outL.data());
    }
    state.counters["rtf"] =
        benchmark::Counter(kBlock / rateHz, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EqLiteral)->ArgNames({"rate", "F"})->ArgsProduct({{48000}, {4, 16}});

// Silence after one second of loud noise: the recursive filters decay towards denormal values,
// which must not cost more than signal does. A second instance processes loud noise block for
// block in between, so that vs_signal (silence time / signal time) compares the two under the
// same machine load.
void BM_EqSilenceAfterLoud(benchmark::State& state) {
    constexpr double kRateHz = 48000.0;
    const int factor = static_cast<int>(state.range(0));
    Eq quiet(kRateHz, factor), busy(kRateHz, factor);
    const Stereo loud = MakeNoise(kBlock, 1.0, kSeed);
    const Stereo silence{std::vector<double>(kBlock), std::vector<double>(kBlock)};
    std::vector<double> outL(kBlock), outR(kBlock);
    for (int b = 0; b < static_cast<int>(kRateHz) / kBlock; ++b) {
        quiet.Process(loud, outL, outR);
        busy.Process(loud, outL, outR);
    }
    using Clock = std::chrono::steady_clock;
    Clock::duration quietTime{}, busyTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        quiet.Process(silence, outL, outR);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        const auto middle = Clock::now();
        busy.Process(loud, outL, outR);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        quietTime += middle - start;
        busyTime += Clock::now() - middle;
    }
    const double quietSeconds = std::chrono::duration<double>(quietTime).count();
    state.counters["rtf"] =
        static_cast<double>(state.iterations()) * kBlock / kRateHz / quietSeconds;
    state.counters["vs_signal"] = quietSeconds / std::chrono::duration<double>(busyTime).count();
}
BENCHMARK(BM_EqSilenceAfterLoud)->ArgNames({"F"})->Arg(4)->Arg(16);

}  // namespace
