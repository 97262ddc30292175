#pragma once

// What the equaliser's benchmarks share: seeded input, the engine set up as the plug-in sets it,
// and timing of two set-ups alternately in one benchmark loop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "plugin/eq/EqEngine.h"

namespace tesselor::bench {

constexpr double kRateHz = 48000.0;
constexpr int kFrames = 512;  // samples per channel that every timed call processes
constexpr unsigned kSeed = 1;

// The pots as the plug-in's defaults leave them, with a few bands moved off so that no section
// sits at a special value.
constexpr double kBenchPots[10] = {0.7, 0.725, 0.3, 0.725, 0.8, 0.725, 0.35, 0.725, 0.0, 1.0};
constexpr plugin::eq::EqSwitches kFiltersOut{0, 0, 1};  // shelf, filters out, equaliser in
constexpr plugin::eq::EqSwitches kFiltersIn{0, 1, 1};   // shelf, filters in, equaliser in

struct StereoSignal {
    std::vector<double> left, right;
};

// Uniform noise in -level..level, both channels from one seeded generator.
StereoSignal MakeNoise(int frames, double level, unsigned seed);
StereoSignal MakeSilence(int frames);

// An engine as the plug-in sets it up (the pots above, unity output gain, factor 4 or 16) that
// processes kFrames samples per call in blocks of `block`.
class EqRun {
public:
    EqRun(double rateHz, int factor, plugin::eq::EqSwitches switches, int block);
    EqRun(const EqRun&) = delete;
    EqRun& operator=(const EqRun&) = delete;

    // kFrames of `in` into `out`, both at least kFrames long.
    void Process(const StereoSignal& in, StereoSignal& out);
    // One second of `in` over and over, so that the smoothers have settled before timing.
    void Settle(const StereoSignal& in, StereoSignal& out);

private:
    plugin::eq::EqEngine _engine;
    double _rateHz;
    plugin::eq::EqSwitches _switches;
    int _block;
};

// The value a tenth of the way up from the smallest; reorders `values`. 0 when empty.
double LowDecile(std::vector<double>& values);

// Seconds a call of each of two set-ups timed alternately takes when nothing else gets in its
// way: the low decile over all calls. Calls that another process interrupted or slowed are
// slower, never faster, and on a busy machine that can be half of them.
struct Alternated {
    double subjectSeconds = 0.0;
    double referenceSeconds = 0.0;
};

// Runs subject() and reference() alternately, one call each per pass of the benchmark loop, and
// times each call on the steady clock.
template <typename Subject, typename Reference>
Alternated TimeAlternately(benchmark::State& state, Subject&& subject, Reference&& reference) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> subjectTimes, referenceTimes;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        subject();
        benchmark::ClobberMemory();
        const Clock::time_point middle = Clock::now();
        reference();
        benchmark::ClobberMemory();
        const Clock::time_point end = Clock::now();
        subjectTimes.push_back(std::chrono::duration<double>(middle - start).count());
        referenceTimes.push_back(std::chrono::duration<double>(end - middle).count());
    }
    return {LowDecile(subjectTimes), LowDecile(referenceTimes)};
}

// Sets rtf: kFrames samples at `rateHz` in `seconds`.
void ReportRtf(benchmark::State& state, double seconds, double rateHz);

}  // namespace tesselor::bench
