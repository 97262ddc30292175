#pragma once

#include <string>
#include <vector>

#include "tools/HostServices.h"
#include "tools/HostedPlugin.h"

namespace tesselor::tools {

// The magnitude response of one plug-in instance at log-spaced frequencies from 10 Hz to the
// Nyquist frequency, measured through its audio interface as a host sees it: the instance runs
// silence until its parameter smoothing has settled, then a small impulse goes into every channel
// at once and the spectrum of each output is evaluated at those frequencies (a direct Fourier sum
// over the whole response, so no window shapes the result).
struct MagnitudeResponse {
    static constexpr double kLowestHz = 10.0;
    static constexpr int kPointCount = 512;
    // Channels whose curves lie closer than this everywhere count as one, dB.
    static constexpr double kChannelToleranceDb = 0.01;
    // Where a response vanishes it is reported as this level, dB.
    static constexpr double kFloorDb = -300.0;

    double sampleRateHz = 0.0;
    std::vector<double> frequenciesHz;  // rising: kLowestHz .. sampleRateHz / 2
    std::vector<double> leftDb;         // output re input, one per frequency
    std::vector<double> rightDb;        // the same for the right channel; empty when mono
    bool doublePrecision = false;       // measured with 64-bit samples
    double audioSeconds = 0.0;          // audio run through the plug-in in all, s

    // Measures `plugin` (created and given its settings, not yet prepared) at `rateHz`, stereo or,
    // when the plug-in refuses stereo, mono; in 64-bit samples when it offers them. `firstBlock`
    // applies at the start of the first block. False with `error` set when the plug-in refuses
    // the set-up or a block, the rate leaves nothing above kLowestHz, or the response does not
    // hold still or die away within a bounded stretch of audio.
    static bool Measure(HostedPlugin& plugin, double rateHz, ParamChanges* firstBlock,
                        MagnitudeResponse* response, std::string* error);

    // Whether the right channel differs from the left anywhere by more than kChannelToleranceDb.
    bool RightDiffers() const;
    // One line per point, rising frequencies, after the header "frequency_hz,magnitude_db" (the
    // left channel); a third column "right_magnitude_db" is added only when RightDiffers().
    std::string Csv() const;
};

}  // namespace tesselor::tools
