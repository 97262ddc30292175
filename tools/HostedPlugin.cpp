#include "tools/HostedPlugin.h"

#include <cstdio>
#include <cstring>

namespace tesselor::tools {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::unique_ptr<HostedPlugin> HostedPlugin::Create(IPluginFactory* factory, std::string* error) {
    if (!factory) {
        if (error) *error = "no factory";
        return nullptr;
    }
    std::unique_ptr<HostedPlugin> plugin(new HostedPlugin);
    IPluginFactory2* factory2 = nullptr;
    factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2));
    bool found = false;
    for (int32 i = 0; i < factory->countClasses() && !found; ++i) {
        PClassInfo info;
        if (factory->getClassInfo(i, &info) != kResultOk) continue;
        if (std::strcmp(info.category, kVstAudioEffectClass) != 0) continue;
        if (!factory2 || factory2->getClassInfo2(i, &plugin->_classInfo) != kResultOk) {
            std::memcpy(plugin->_classInfo.cid, info.cid, sizeof(TUID));
            std::memcpy(plugin->_classInfo.name, info.name, sizeof info.name);
            std::memcpy(plugin->_classInfo.category, info.category, sizeof info.category);
        }
        found = true;
    }
    if (factory2) factory2->release();
    if (!found) {
        if (error) *error = "the module offers no audio effect";
        return nullptr;
    }
    if (factory->createInstance(plugin->_classInfo.cid, IComponent::iid,
                                reinterpret_cast<void**>(&plugin->_component)) != kResultOk ||
        !plugin->_component) {
        plugin->_component = nullptr;
        if (error) *error = "the factory would not create the effect";
        return nullptr;
    }
    if (plugin->_component->initialize(&plugin->_host) != kResultOk) {
        if (error) *error = "the effect would not initialise";
        return nullptr;
    }
    plugin->_component->queryInterface(IAudioProcessor::iid,
                                       reinterpret_cast<void**>(&plugin->_processor));
    plugin->_component->queryInterface(IEditController::iid,
                                       reinterpret_cast<void**>(&plugin->_controller));
    if (!plugin->_controller) {
        TUID controllerId = {};
        if (plugin->_component->getControllerClassId(controllerId) == kResultOk &&
            factory->createInstance(controllerId, IEditController::iid,
                                    reinterpret_cast<void**>(&plugin->_controller)) == kResultOk &&
            plugin->_controller) {
            plugin->_separateController = true;
            plugin->_controller->initialize(&plugin->_host);
        }
    }
    if (!plugin->_processor || !plugin->_controller) {
        if (error) *error = "the effect lacks a processor or a controller";
        return nullptr;
    }
    return plugin;
}

HostedPlugin::~HostedPlugin() {
    if (_active) {
        if (_processor) _processor->setProcessing(false);
        _component->setActive(false);
    }
    if (_controller) {
        if (_separateController) _controller->terminate();
        _controller->release();
    }
    if (_processor) _processor->release();
    if (_component) {
        _component->terminate();
        _component->release();
    }
}

bool HostedPlugin::Prepare(double sampleRateHz, int maxBlock, int channels, std::string* error,
                           int32 sampleSize) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (channels != 1 && channels != 2) return fail("only mono and stereo are supported");
    SpeakerArrangement arrangement = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    if (_processor->setBusArrangements(&arrangement, 1, &arrangement, 1) != kResultOk)
        return fail(channels == 1 ? "the plug-in refuses mono" : "the plug-in refuses stereo");
    _component->activateBus(kAudio, kInput, 0, true);
    _component->activateBus(kAudio, kOutput, 0, true);
    ProcessSetup setup{kOffline, sampleSize, maxBlock, sampleRateHz};
    if (_processor->canProcessSampleSize(sampleSize) != kResultOk)
        return fail(sampleSize == kSample64 ? "the plug-in refuses 64-bit samples"
                                            : "the plug-in refuses 32-bit samples");
    if (_processor->setupProcessing(setup) != kResultOk)
        return fail("the plug-in refused the processing set-up");
    if (_component->setActive(true) != kResultOk) return fail("the plug-in would not activate");
    _active = true;
    _processor->setProcessing(true);
    _channels = channels;
    _maxBlock = maxBlock;
    _sampleSize = sampleSize;
    return true;
}

namespace {

template <class Sample>
bool RunBlock(IAudioProcessor* processor, const Sample* const* inputs, Sample* const* outputs,
              int channels, int frames, ParamChanges* changes) {
    AudioBusBuffers in;
    in.numChannels = channels;
    AudioBusBuffers out;
    out.numChannels = channels;
    ProcessData data;
    if constexpr (sizeof(Sample) == 8) {
        in.channelBuffers64 = const_cast<Sample**>(inputs);
        out.channelBuffers64 = const_cast<Sample**>(outputs);
        data.symbolicSampleSize = kSample64;
    } else {
        in.channelBuffers32 = const_cast<Sample**>(inputs);
        out.channelBuffers32 = const_cast<Sample**>(outputs);
        data.symbolicSampleSize = kSample32;
    }
    data.processMode = kOffline;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = changes;
    return processor->process(data) == kResultOk;
}

}  // namespace

bool HostedPlugin::Process(const float* const* inputs, float* const* outputs, int frames,
                           ParamChanges* changes) {
    if (frames > _maxBlock || _sampleSize != kSample32) return false;
    return RunBlock(_processor, inputs, outputs, _channels, frames, changes);
}

bool HostedPlugin::Process64(const double* const* inputs, double* const* outputs, int frames,
                             ParamChanges* changes) {
    if (frames > _maxBlock || _sampleSize != kSample64) return false;
    return RunBlock(_processor, inputs, outputs, _channels, frames, changes);
}

std::vector<HostedParam> HostedPlugin::Params() const {
    std::vector<HostedParam> params;
    const int32 count = _controller->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        ParameterInfo info = {};
        if (_controller->getParameterInfo(i, info) != kResultOk) continue;
        HostedParam p;
        p.id = info.id;
        p.title = PluginText(info.title);
        p.units = PluginText(info.units);
        p.defaultNormal = info.defaultNormalizedValue;
        p.stepCount = info.stepCount;
        p.flags = info.flags;
        params.push_back(p);
    }
    return params;
}

std::string HostedPlugin::ValueText(ParamID id, double normal) const {
    String128 text = {};
    if (_controller->getParamStringByValue(id, normal, text) == kResultOk) return PluginText(text);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", normal);
    return buffer;
}

bool HostedPlugin::SaveState(std::vector<std::uint8_t>* bytes) {
    ByteStream stream;
    if (_controller->getState(&stream) != kResultOk) return false;
    *bytes = stream.Bytes();
    return true;
}

bool HostedPlugin::LoadState(const std::vector<std::uint8_t>& bytes) {
    ByteStream stream(bytes);
    if (_controller->setState(&stream) != kResultOk) return false;
    Steinberg::int64 read = 0;
    return stream.tell(&read) == kResultOk && read == static_cast<Steinberg::int64>(bytes.size());
}

namespace {
// Hosts treat "not implemented" as "nothing to do" for either state.
bool Accepted(tresult result) { return result == kResultOk || result == kNotImplemented; }
}  // namespace

bool HostedPlugin::LoadPresetStates(const std::vector<std::uint8_t>& component,
                                    const std::vector<std::uint8_t>& controller,
                                    std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (!component.empty()) {
        ByteStream forComponent(component);
        if (!Accepted(_component->setState(&forComponent)))
            return fail("the plug-in refused the preset's component state");
        ByteStream forController(component);
        if (!Accepted(_controller->setComponentState(&forController)))
            return fail("the plug-in's controller refused the preset's component state");
    }
    if (!controller.empty()) {
        ByteStream stream(controller);
        if (!Accepted(_controller->setState(&stream)))
            return fail("the plug-in refused the preset's controller state");
    }
    return true;
}

bool HostedPlugin::SavePresetStates(std::vector<std::uint8_t>* component,
                                    std::vector<std::uint8_t>* controller, std::string* error) {
    ByteStream componentStream;
    const tresult componentResult = _component->getState(&componentStream);
    ByteStream controllerStream;
    const tresult controllerResult = _controller->getState(&controllerStream);
    if (!Accepted(componentResult) || !Accepted(controllerResult)) {
        if (error) *error = "the plug-in gave no state to save";
        return false;
    }
    *component =
        componentResult == kResultOk ? componentStream.Bytes() : std::vector<std::uint8_t>();
    *controller =
        controllerResult == kResultOk ? controllerStream.Bytes() : std::vector<std::uint8_t>();
    return true;
}

}  // namespace tesselor::tools
