#pragma once

#include "vst3/Vst3Plugin.h"

namespace tesselor::vst3::test {

// Parameters of the test plug-in. The last three are read-only diagnostics the plug-in writes
// itself, so that a host that only sees the VST 3 interfaces can tell how often the hooks ran.
enum TestParam : int {
    kGain = 0,          // continuous 0..2, linear, multiplies both channels
    kTone = 1,          // continuous 0.1..0.983, shape 0.5, group "Filter"
    kMode = 2,          // stepped 0/1
    kSteps = 3,         // stepped 0..4, group "Filter"
    kUnset = 4,         // never initialised
    kChangeCount = 5,   // HandleParamChange calls for the other parameters; group "Diagnostics"
    kBlockCount = 6,    // ProcessBlock calls
    kLargestBlock = 7,  // largest frame count ProcessBlock has seen
    kTestParamCount = 8,
};

constexpr double kCounterRange = 1000000.0;

// A small plug-in for testing the binding: output = input * Gain on both channels.
class TestPlugin : public Vst3Plugin {
public:
    TestPlugin();

    void HandleParamChange(int index) override;
    void ProcessBlock(double** inputs, double** outputs, int frames) noexcept override;
};

}  // namespace tesselor::vst3::test
