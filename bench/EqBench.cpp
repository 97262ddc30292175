// ProcessBlock of one stereo Tesselor, block 512, against the literal evaluation of the same
// formulas. rtf = seconds of audio per CPU second; x_literal = how many times faster than the
// literal evaluation, timed in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

#include "plugin/Tesselor.h"
#include "tests/plugin/LiteralEq.h"

namespace {

using tesselor::plugin::Tesselor;
using tesselor::plugin::test::LiteralEq;

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

// A fresh instance as a host would set it up, with a few bands moved off their defaults so that
// no section sits at a special value.
void SetUp(Tesselor& eq, double rateHz, int factor) {
    eq.LoadPreset(0);
    eq.SetSampleRate(rateHz);
    eq.ChangeBlockSize(kBlock);
    const std::pair<int, double> settings[] = {
        {0, 0.7}, {2, 0.3}, {4, 0.8}, {6, 0.35}, {14, factor == 16 ? 1.0 : 0.0}};
    for (const auto& [index, value] : settings) {
        eq.Param(index)->SetPlain(value);
        eq.HandleParamChange(index);
    }
    eq.HandleReset();
}

double LiteralSecondsPerBlock(double rateHz, int factor, const Stereo& in) {
    LiteralEq ref;
    const double pots[10] = {0.7, 0.725, 0.3, 0.725, 0.8, 0.725, 0.35, 0.725, 0.0, 1.0};
    for (int i = 0; i < 10; ++i) ref.SetPot(i, pots[i]);
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
    Tesselor eq;
    SetUp(eq, rateHz, factor);
    const Stereo in = MakeNoise(kBlock, 0.5, kSeed);
    std::vector<double> outL(kBlock), outR(kBlock);
    double* inputs[2] = {const_cast<double*>(in.left.data()), const_cast<double*>(in.right.data())};
    double* outputs[2] = {outL.data(), outR.data()};

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        eq.ProcessBlock(inputs, outputs, kBlock);
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
    Tesselor quiet, busy;
    SetUp(quiet, kRateHz, factor);
    SetUp(busy, kRateHz, factor);
    const Stereo loud = MakeNoise(kBlock, 1.0, kSeed);
    const Stereo silence{std::vector<double>(kBlock), std::vector<double>(kBlock)};
    std::vector<double> outL(kBlock), outR(kBlock);
    double* outputs[2] = {outL.data(), outR.data()};
    double* loudIn[2] = {const_cast<double*>(loud.left.data()),
                         const_cast<double*>(loud.right.data())};
    for (int b = 0; b < static_cast<int>(kRateHz) / kBlock; ++b) {
        quiet.ProcessBlock(loudIn, outputs, kBlock);
        busy.ProcessBlock(loudIn, outputs, kBlock);
    }
    double* quietIn[2] = {const_cast<double*>(silence.left.data()),
                          const_cast<double*>(silence.right.data())};
    using Clock = std::chrono::steady_clock;
    Clock::duration quietTime{}, busyTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        quiet.ProcessBlock(quietIn, outputs, kBlock);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        const auto middle = Clock::now();
        busy.ProcessBlock(loudIn, outputs, kBlock);
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
