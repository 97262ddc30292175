#pragma once

// Helpers for tests that drive a built bundle the way a host does: through the module's factory
// and the VST 3 interfaces only.
#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "tools/HostServices.h"
#include "tools/PluginModule.h"

namespace tesselor::vst3::test {

// Tesselor's class, as its factory lists it.
// clang-format off
inline constexpr Steinberg::TUID kTesselorClassId = {
    0x0D, static_cast<char>(0xE7), static_cast<char>(0xAE), static_cast<char>(0xF2),
    static_cast<char>(0xDE), 0x00, 0x4E, 0x4F, 'M', 'r', 'v', 'k', 'T', 's', 'l', '1'};
// clang-format on

// One instance created by class ID, with the three interfaces of a single-component effect.
struct Instance {
    Steinberg::Vst::IComponent* component = nullptr;
    Steinberg::Vst::IAudioProcessor* processor = nullptr;
    Steinberg::Vst::IEditController* controller = nullptr;
    tools::HostApplication host;

    Instance(Steinberg::IPluginFactory* factory, const Steinberg::TUID cid);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    bool Valid() const { return component && processor && controller; }

    // Stereo (or mono) buses, active, set up at `rateHz` for `maxBlock` frames of `sampleSize`.
    bool Prepare(int channels = 2, int maxBlock = 256,
                 Steinberg::int32 sampleSize = Steinberg::Vst::kSample32, double rateHz = 48000.0);
    // One block of `frames` through 32-bit buffers (numChannels each side), with optional changes.
    Steinberg::tresult Process32(std::vector<std::vector<float>>& in,
                                 std::vector<std::vector<float>>& out, int frames,
                                 tools::ParamChanges* changes = nullptr);
    Steinberg::tresult Process64(std::vector<std::vector<double>>& in,
                                 std::vector<std::vector<double>>& out, int frames,
                                 tools::ParamChanges* changes = nullptr);
    // Applies changes in an empty block.
    Steinberg::tresult Apply(tools::ParamChanges& changes);

    std::vector<std::uint8_t> State();
    std::string Title(Steinberg::int32 index);
    std::string ValueText(Steinberg::Vst::ParamID id, double normal);
};

}  // namespace tesselor::vst3::test
