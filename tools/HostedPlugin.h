#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tools/HostServices.h"

namespace tesselor::tools {

struct HostedParam {
    Steinberg::Vst::ParamID id = 0;
    std::string title;
    std::string units;
    double defaultNormal = 0.0;
    int stepCount = 0;
    int flags = 0;
};

// One plug-in instance driven the way a DAW drives it: created through the factory, initialised
// with a host context, set up for 32-bit (or 64-bit) float processing, fed blocks with parameter
// queues, and torn down in the reverse order.
class HostedPlugin {
public:
    // The first audio effect class of the factory. Null with `error` set on failure.
    static std::unique_ptr<HostedPlugin> Create(Steinberg::IPluginFactory* factory,
                                                std::string* error);
    ~HostedPlugin();
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    // Mono (1) or stereo (2) in and out, `maxBlock` frames at most per Process call, samples of
    // `sampleSize` (kSample32 for Process, kSample64 for Process64).
    bool Prepare(double sampleRateHz, int maxBlock, int channels, std::string* error,
                 Steinberg::int32 sampleSize = Steinberg::Vst::kSample32);
    // Runs `frames` frames; `changes` (may be null) apply at the start of the block.
    bool Process(const float* const* inputs, float* const* outputs, int frames,
                 ParamChanges* changes);
    bool Process64(const double* const* inputs, double* const* outputs, int frames,
                   ParamChanges* changes);

    std::vector<HostedParam> Params() const;
    // The plug-in's text for a normalised value, or the value itself when it gives none.
    std::string ValueText(Steinberg::Vst::ParamID id, double normal) const;
    double Normalized(Steinberg::Vst::ParamID id) const {
        return _controller->getParamNormalized(id);
    }

    // The controller state (all of a single-component plug-in's settings) as bytes.
    bool SaveState(std::vector<std::uint8_t>* bytes);
    // False when the plug-in refused the bytes, or read fewer than there are: a state file holds
    // exactly what the plug-in once wrote, so leftover bytes mean a different file.
    bool LoadState(const std::vector<std::uint8_t>& bytes);

    // A preset's states applied the way a DAW applies them: a non-empty component state to the
    // component (setState) and to the controller (setComponentState), then a non-empty controller
    // state to the controller. kNotImplemented is accepted at each step, as hosts accept it.
    bool LoadPresetStates(const std::vector<std::uint8_t>& component,
                          const std::vector<std::uint8_t>& controller, std::string* error);
    // Both states for a preset; a side that answers kNotImplemented gives no bytes.
    bool SavePresetStates(std::vector<std::uint8_t>* component,
                          std::vector<std::uint8_t>* controller, std::string* error);

    const Steinberg::PClassInfo2& ClassInfo() const { return _classInfo; }
    Steinberg::Vst::IComponent* Component() const { return _component; }
    Steinberg::Vst::IEditController* Controller() const { return _controller; }

private:
    HostedPlugin() = default;

    HostApplication _host;
    Steinberg::PClassInfo2 _classInfo;
    Steinberg::Vst::IComponent* _component = nullptr;
    Steinberg::Vst::IAudioProcessor* _processor = nullptr;
    Steinberg::Vst::IEditController* _controller = nullptr;
    bool _separateController = false;  // created from its own class, initialised on its own
    bool _active = false;
    int _channels = 0;
    int _maxBlock = 0;
    Steinberg::int32 _sampleSize = Steinberg::Vst::kSample32;
};

}  // namespace tesselor::tools
