#pragma once

#include "plugin/eq/BandSection.h"
#include "plugin/eq/LaneTypes.h"
#include "plugin/eq/OversamplerMatrices.h"
#include "plugin/eq/OversamplerStage.h"
#include "plugin/eq/Poly4Resampler.h"
#include "plugin/eq/PotSmoother.h"
#include "plugin/eq/SectionTables.h"

namespace tesselor::plugin::eq {

// The engine's copies of the ten pots; the indices are the plug-in's parameter indices 0..9.
enum Pot : int {
    kPotLowGain = 0,
    kPotLowFreq,
    kPotLowMidGain,
    kPotLowMidFreq,
    kPotHighMidGain,
    kPotHighMidFreq,
    kPotHighGain,
    kPotHighFreq,
    kPotHighPass,
    kPotLowPass,
    kPotCount,
};

// The eleven smoothers. Each frequency smoother glides 1 - pot, since the circuit's gangs turn
// the other way; the gain smoothers glide the pot itself; the last glides the linear output gain.
enum Smoother : int {
    kSmootherLowPass = 0,  // 1 - LP
    kSmootherHighPass,     // 1 - HP
    kSmootherLowGain,
    kSmootherLowFreq,  // 1 - LFreq
    kSmootherLowMidGain,
    kSmootherLowMidFreq,  // 1 - LMFreq
    kSmootherHighMidGain,
    kSmootherHighMidFreq,  // 1 - HMFreq
    kSmootherHighGain,
    kSmootherHighFreq,  // 1 - HFreq
    kSmootherOutput,    // the output gain target, linear
    kSmootherCount,
};

// The three switches as the processing loop reads them: the registry value truncated toward zero.
struct EqSwitches {
    int bell = 0;  // 0: low shelf, 1: low bell, else the low band holds its last output
    int hplp = 0;  // 1: high-pass and low-pass in the path, else they are left out
    int in = 1;    // 0: the input passed through unchanged, else the processed output
};

// The instruction-set builds of the per-sample loop (see simd/EqKernel.h).
enum class KernelBuild { kFastest, kBaseline, kFma, kAvx512 };

// Everything the per-sample loop reads and carries from one block to the next, in one record that
// each build of the loop (simd/) takes whole. The block set-up (EqEngine) fills the coefficients.
struct EqLoopState {
    static constexpr int kChunk = 512;  // samples whose side values are worked out at a time

    PotSmoother smoothers[kSmootherCount];
    double gainTarget = 1.0;                  // linear
    BandSection sections[kSectionKindCount];  // indexed by SectionKind
    OversamplerStage side;
    OversamplerMatrices sideMatrices;  // the side path's filters at F = 16, as matrices
    Poly4Resampler resampler;
    Stereo lowOut{};  // low-band output of the current sample
    Stereo pre{};     // pre-band value of the current sample
    // The side path's values and working space for up to kChunk samples at a time.
    alignas(32) Stereo sideValues[kChunk];
    alignas(32) Stereo sideWork[OversamplerStage::WorkSize(16, kChunk)];

    BandSection& Section(SectionKind kind) { return sections[static_cast<int>(kind)]; }
};

// The equaliser's whole audio path for a stereo pair, independent of any host binding: the
// engine copies of the pot positions, output gain and oversampling factor, the eleven smoothers,
// every filter section, the side path and the upper-band resampler. The plug-in class feeds it
// parameter changes and blocks.
//
// Threads: everything here runs under the plug-in's PlugMutex (the binding holds it around a
// block; the change and reset hooks take it). Nothing allocates after construction.
class EqEngine {
public:
    static constexpr double kPotCornerHz = 1000.0;
    static constexpr double kGainCornerHz = 100.0;
    static constexpr double kSideLevel = 3.1622776601683795e-05;  // 10^-4.5, -90 dB
    static constexpr double kFallbackRateHz = 44100.0;
    static constexpr int kLowFactor = 4;    // side-path oversampling, switch off
    static constexpr int kHighFactor = 16;  // switch on

    EqEngine();
    EqEngine(const EqEngine&) = delete;
    EqEngine& operator=(const EqEngine&) = delete;

    // Engine copy of pot `index` (a Pot), plain value, no conversion. Others ignored.
    void SetPot(int index, double value);
    double PotValue(int index) const { return _pots[index]; }
    // Output gain target, linear (10^(dB / 20)).
    void SetOutputGainTarget(double linear) { _loop.gainTarget = linear; }
    double OutputGainTarget() const { return _loop.gainTarget; }
    // Side-path oversampling: kHighFactor when `high`, else kLowFactor. Takes effect at the next
    // block.
    void SetHighOversampling(bool high) { _factor = high ? kHighFactor : kLowFactor; }
    int OversamplingFactor() const { return _factor; }

    // [audio thread] One block: smoother steps and, for every section whose smoother outputs or
    // rate changed, its coefficients (even when frames < 1), then `frames` samples from inL/inR
    // to outL/outR (may be the same arrays). A channel whose filter state is no longer finite at
    // the end of the block (a NaN or infinite input) is cleared, so finite input gives finite
    // output again from the next block on. A rate that is not a positive finite number counts
    // as 44100 Hz.
    void ProcessBlock(const double* inL, const double* inR, double* outL, double* outR, int frames,
                      const EqSwitches& switches, double rateHz) noexcept;

    // Runs one build of the loop instead of the fastest the processor has, so that tests and the
    // benchmark can check each; a build that is unavailable here falls back to the fastest.
    void ForceKernelBuild(KernelBuild build) { _build = build; }
    // Designs every section at every block, even one whose smoother outputs have not moved since
    // its coefficients were designed; for tests that check that keeping them changes nothing.
    void AlwaysRedesign(bool always) { _alwaysRedesign = always; }

    // [main thread, PlugMutex held] Clears the side path's all-pole filter states only.
    void ClearSidePath() noexcept { _loop.side.ClearFilters(); }

    const PotSmoother& SmootherAt(int index) const { return _loop.smoothers[index]; }
    const BandSection& Section(SectionKind kind) const {
        return _loop.sections[static_cast<int>(kind)];
    }
    const OversamplerStage& SidePath() const { return _loop.side; }
    const Poly4Resampler& Resampler() const { return _loop.resampler; }

private:
    // The smoother outputs one channel's design of a section takes.
    struct DesignSteps {
        double f1, f2, g;
    };
    // What one channel's coefficients of a section were designed from: the rate and the three
    // smoother outputs, compared bit for bit.
    struct DesignInputs {
        bool valid = false;
        double rateHz = 0.0, g = 0.0, f2 = 0.0, f1 = 0.0;
        bool Matches(double rate, const DesignSteps& steps) const;
    };

    void BeginBlock(double rateHz) noexcept;
    // Designs one channel of a section anew and notes what from.
    void Redesign(SectionKind kind, int lane, double rateHz, const DesignSteps& steps) noexcept;
    void RecoverNonFinite() noexcept;
    double SmootherTarget(int index) const;

    double _pots[kPotCount];  // plain parameter values as the registry holds them
    int _factor = kLowFactor;
    KernelBuild _build = KernelBuild::kFastest;
    bool _alwaysRedesign = false;
    // Per section and channel. Once the smoothers have settled, their outputs repeat bit for bit
    // from block to block, and designing again would give the same coefficients (about 1 us for
    // all fourteen, a tenth of a 64-sample block).
    DesignInputs _designedFrom[kSectionKindCount][2];
    double _poleRateHz = 0.0;  // the rate the smoothers' poles were set for; 0 before any block
    int _sideFactor = 0;       // the factor the side path was designed for; 0 before any block
    EqLoopState _loop;
};

}  // namespace tesselor::plugin::eq
