// The engine's ProcessBlock for one stereo pair, 48 kHz unless a case says otherwise. Every case
// times two set-ups alternately inside one benchmark loop, so that whatever else the machine does
// falls on both alike, and reports the ratio of their undisturbed costs per frame (the low
// decile of all calls, see TimeAlternately):
//   BM_EqProcessBlock      rtf, and x_literal: the literal evaluation's time over the engine's
//   BM_EqBlockSize         vs_512: cost per frame in blocks of `block` over that in blocks of 512
//   BM_EqFilters           vs_out: high-pass and low-pass in the path over out of it
//   BM_EqFactor            vs_f4: side path at F = 16 over F = 4
//   BM_EqSilenceAfterLoud  vs_signal: silence after loud noise over loud noise
// rtf = seconds of audio per second of processing in the case's own set-up (the first of the
// two), from the same low decile of its calls of 512 samples.
#include <benchmark/benchmark.h>

#include "bench/EqBenchSupport.h"
#include "tests/plugin/eq/LiteralEq.h"

namespace tesselor::bench {
namespace {

using plugin::eq::test::LiteralEq;

// The literal evaluation with the same pots and switches as an EqRun.
class LiteralRun {
public:
    LiteralRun(double rateHz, int factor) : _rateHz(rateHz) {
        for (int i = 0; i < 10; ++i) _ref.SetPot(i, kBenchPots[i]);
        _ref.SetFactor(factor);
        _ref.SetSwitches(kFiltersOut.bell, kFiltersOut.hplp, kFiltersOut.in);
    }
    void Process(const StereoSignal& in, StereoSignal& out) {
        _ref.Process(in.left.data(), in.right.data(), out.left.data(), out.right.data(), kFrames,
                     _rateHz);
    }

private:
    LiteralEq _ref;
    double _rateHz;
};

void BM_EqProcessBlock(benchmark::State& state) {
    const double rateHz = static_cast<double>(state.range(0));
    const int factor = static_cast<int>(state.range(1));
    const StereoSignal in = MakeNoise(kFrames, 0.5, kSeed);
    StereoSignal out = MakeSilence(kFrames);
    EqRun eq(rateHz, factor, kFiltersOut, kFrames);
    LiteralRun literal(rateHz, factor);
    eq.Settle(in, out);
    const Alternated t = TimeAlternately(
        state, [&] { eq.Process(in, out); }, [&] { literal.Process(in, out); });
    ReportRtf(state, t.subjectSeconds, rateHz);
    state.counters["x_literal"] = t.referenceSeconds / t.subjectSeconds;
}
BENCHMARK(BM_EqProcessBlock)->ArgNames({"rate", "F"})->ArgsProduct({{48000, 96000}, {4, 16}});

void BM_EqBlockSize(benchmark::State& state) {
    const int block = static_cast<int>(state.range(0));
    const int factor = static_cast<int>(state.range(1));
    const StereoSignal in = MakeNoise(kFrames, 0.5, kSeed);
    StereoSignal out = MakeSilence(kFrames);
    EqRun small(kRateHz, factor, kFiltersOut, block), large(kRateHz, factor, kFiltersOut, kFrames);
    small.Settle(in, out);
    large.Settle(in, out);
    const Alternated t = TimeAlternately(
        state, [&] { small.Process(in, out); }, [&] { large.Process(in, out); });
    ReportRtf(state, t.subjectSeconds, kRateHz);
    state.counters["vs_512"] = t.subjectSeconds / t.referenceSeconds;
}
BENCHMARK(BM_EqBlockSize)->ArgNames({"block", "F"})->ArgsProduct({{32, 64, 128}, {4, 16}});

void BM_EqFilters(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const StereoSignal in = MakeNoise(kFrames, 0.5, kSeed);
    StereoSignal out = MakeSilence(kFrames);
    EqRun filtersIn(kRateHz, factor, kFiltersIn, kFrames);
    EqRun filtersOut(kRateHz, factor, kFiltersOut, kFrames);
    filtersIn.Settle(in, out);
    filtersOut.Settle(in, out);
    const Alternated t = TimeAlternately(
        state, [&] { filtersIn.Process(in, out); }, [&] { filtersOut.Process(in, out); });
    ReportRtf(state, t.subjectSeconds, kRateHz);
    state.counters["vs_out"] = t.subjectSeconds / t.referenceSeconds;
}
BENCHMARK(BM_EqFilters)->ArgNames({"F"})->Arg(4)->Arg(16);

void BM_EqFactor(benchmark::State& state) {
    const int block = static_cast<int>(state.range(0));
    const StereoSignal in = MakeNoise(kFrames, 0.5, kSeed);
    StereoSignal out = MakeSilence(kFrames);
    EqRun high(kRateHz, 16, kFiltersOut, block), low(kRateHz, 4, kFiltersOut, block);
    high.Settle(in, out);
    low.Settle(in, out);
    const Alternated t = TimeAlternately(
        state, [&] { high.Process(in, out); }, [&] { low.Process(in, out); });
    ReportRtf(state, t.subjectSeconds, kRateHz);
    state.counters["vs_f4"] = t.subjectSeconds / t.referenceSeconds;
}
BENCHMARK(BM_EqFactor)->ArgNames({"block"})->Arg(64)->Arg(512);

// Silence after one second of loud noise: the recursive filters decay towards denormal values,
// which must not cost more than signal does. The reference processes loud noise throughout.
void BM_EqSilenceAfterLoud(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    EqRun quiet(kRateHz, factor, kFiltersOut, kFrames), busy(kRateHz, factor, kFiltersOut, kFrames);
    const StereoSignal loud = MakeNoise(kFrames, 1.0, kSeed);
    const StereoSignal silence = MakeSilence(kFrames);
    StereoSignal out = MakeSilence(kFrames);
    quiet.Settle(loud, out);
    busy.Settle(loud, out);
    const Alternated t = TimeAlternately(
        state, [&] { quiet.Process(silence, out); }, [&] { busy.Process(loud, out); });
    ReportRtf(state, t.subjectSeconds, kRateHz);
    state.counters["vs_signal"] = t.subjectSeconds / t.referenceSeconds;
}
BENCHMARK(BM_EqSilenceAfterLoud)->ArgNames({"F"})->Arg(4)->Arg(16);

}  // namespace
}  // namespace tesselor::bench
