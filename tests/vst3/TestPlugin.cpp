#include "TestPlugin.h"

#include <algorithm>

namespace tesselor::vst3::test {

namespace {
const framework::PluginIdentity kIdentity = {"Test Plugin",
                                             "",
                                             "Tesselor Tests",
                                             0x00010000,
                                             framework::FourCc("Tst1"),
                                             framework::FourCc("Tslt")};
}

TestPlugin::TestPlugin() : Vst3Plugin(kTestParamCount, "1-1 2-2", 2, kIdentity) {
    Param(kGain)->InitRange("Gain", 1.0, 0.0, 2.0, 0.01, "x");
    Param(kTone)->InitRange("Tone", 0.725, 0.1, 0.983, 0.01, "%", "Filter", 0.5);
    Param(kMode)->SetKind(framework::kParamStepped);
    Param(kMode)->InitRange("Mode", 0.0, 0.0, 1.0, 1.0);
    Param(kSteps)->SetKind(framework::kParamStepped);
    Param(kSteps)->InitRange("Steps", 2.0, 0.0, 4.0, 1.0, "", "Filter");
    for (int i : {kChangeCount, kBlockCount, kLargestBlock}) {
        Param(i)->SetKind(framework::kParamStepped);
        Param(i)->SetCanAutomate(false);
    }
    Param(kChangeCount)->InitRange("Changes", 0.0, 0.0, kCounterRange, 1.0, "", "Diagnostics");
    Param(kBlockCount)->InitRange("Blocks", 0.0, 0.0, kCounterRange, 1.0, "", "Diagnostics");
    Param(kLargestBlock)->InitRange("Largest", 0.0, 0.0, kCounterRange, 1.0, "", "Diagnostics");
    CaptureDefaultPreset("-");
}

void TestPlugin::HandleParamChange(int index) {
    std::lock_guard lock(Mutex());
    if (index < kChangeCount) Param(kChangeCount)->SetPlain(Param(kChangeCount)->Value() + 1.0);
}

void TestPlugin::ProcessBlock(double** inputs, double** outputs, int frames) noexcept {
    Param(kBlockCount)->SetPlain(Param(kBlockCount)->Value() + 1.0);
    Param(kLargestBlock)
        ->SetPlain(std::max(Param(kLargestBlock)->Value(), static_cast<double>(frames)));
    const double gain = Param(kGain)->Value();
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i] * gain;
    }
}

Vst3Plugin* CreateTestPlugin() { return new TestPlugin(); }

}  // namespace tesselor::vst3::test
