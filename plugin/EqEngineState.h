#pragma once

#include "plugin/BandSection.h"
#include "plugin/OversamplerStage.h"
#include "plugin/Poly4Resampler.h"
#include "plugin/PotSmoother.h"
#include "plugin/StereoLanes.h"
#include "plugin/TransferCurve.h"

namespace tesselor::plugin {

// The three switches as the processing loop reads them: the registry value truncated toward zero.
struct EqSwitches {
    int bell = 0;  // 0: low shelf, 1: low bell, else the low band holds its last output
    int hplp = 0;  // 1: high-pass and low-pass in the path, else they are left out
    int in = 1;    // 0: the input passed through unchanged, else the processed output
};

// The instruction-set builds of the per-sample loop (see EqKernel.h).
enum class KernelBuild { kFastest, kBaseline, kFma, kAvx512 };

// The equaliser's whole audio path for a stereo pair, independent of any host binding: the
// engine copies of the pot positions, output gain and oversampling factor, the eleven smoothers,
// every filter section, the side path and the upper-band resampler. The plug-in class feeds it
// parameter changes and blocks.
//
// Threads: everything here runs under the plug-in's PlugMutex (the binding holds it around a
// block; the change and reset hooks take it). Nothing allocates after construction.
class EqEngineState {
public:
    static constexpr int kPotCount = 10;  // parameters 0..9
    static constexpr int kSmootherCount = 11;
    static constexpr int kOutputSmoother = 10;
    static constexpr double kPotCornerHz = 1000.0;
    static constexpr double kGainCornerHz = 100.0;
    static constexpr double kSideLevel = 3.1622776601683795e-05;  // 10^-4.5, -90 dB
    static constexpr double kFallbackRateHz = 44100.0;

    EqEngineState();
    EqEngineState(const EqEngineState&) = delete;
    EqEngineState& operator=(const EqEngineState&) = delete;

    // Engine copy of pot parameter `index` (0..9), plain value, no conversion. Others ignored.
    void SetPot(int index, double value);
    double Pot(int index) const { return _pots[index]; }
    // Output gain target, linear (10^(dB / 20)).
    void SetOutputGainTarget(double linear) { _gainTarget = linear; }
    double OutputGainTarget() const { return _gainTarget; }
    // Side-path oversampling: 16 when `high`, else 4. Takes effect at the next block.
    void SetHighOversampling(bool high) { _factor = high ? 16 : 4; }
    int OversamplingFactor() const { return _factor; }

    // [audio thread] One block: smoother and coefficient set-up (even when frames < 1), then
    // `frames` samples from inL/inR to outL/outR (may be the same arrays). A channel whose
    // filter state is no longer finite at the end of the block (a NaN or infinite input) is
    // cleared, so finite input gives finite output again from the next block on. A rate that is
    // not a positive finite number counts as 44100 Hz.
    void ProcessBlock(const double* inL, const double* inR, double* outL, double* outR, int frames,
                      const EqSwitches& switches, double rateHz) noexcept;

    // Runs one build of the loop instead of the fastest the processor has, so that tests and the
    // benchmark can check each; a build that is unavailable here (see KernelFor) falls back to
    // the fastest.
    void ForceKernelBuild(KernelBuild build) { _build = build; }

    // [main thread, PlugMutex held] Clears the side path's all-pole filter states only.
    void ClearSidePath() noexcept { _side.ClearFilters(); }

    const PotSmoother& Smoother(int index) const { return _smoothers[index]; }
    const BandSection& Section(SectionKind kind) const { return _sections[static_cast<int>(kind)]; }
    const OversamplerStage& SidePath() const { return _side; }
    const Poly4Resampler& Resampler() const { return _resampler; }

    // Per-sample loop, F = 4 or 16; `Isa` tags the instruction-set build of the loop.
    template <int F, typename Isa>
    void RunSamples(const double* inL, const double* inR, double* outL, double* outR, int frames,
                    EqSwitches switches) noexcept;

private:
    void BeginBlock(double rateHz) noexcept;
    void DesignPair(SectionKind kind, double rateHz, int gainSmoother, int freqSmoother) noexcept;
    void RecoverNonFinite() noexcept;
    double SmootherTarget(int index) const;

    double _pots[kPotCount];   // plain parameter values as the registry holds them
    double _gainTarget = 1.0;  // linear
    int _factor = 4;           // side-path oversampling, 4 or 16
    KernelBuild _build = KernelBuild::kFastest;
    PotSmoother _smoothers[kSmootherCount];
    double _poleRateHz = 0.0;  // the rate the smoothers' poles were set for; 0 before any block
    int _sideFactor = 0;       // the factor the side path was designed for; 0 before any block
    BandSection _sections[7];  // indexed by SectionKind
    OversamplerStage _side;
    Poly4Resampler _resampler;
    Stereo _lowOut{};  // low-band output of the current sample
    Stereo _pre{};     // pre-band value of the current sample
    TransferCurve _curve;

    // The side path's values and working space for up to kChunk samples at a time.
    static constexpr int kChunk = 512;
    alignas(32) Stereo _sideValues[kChunk];
    alignas(32) Stereo _sideWork[OversamplerStage::WorkSize(16, kChunk)];
};

}  // namespace tesselor::plugin
