// The controller side of Vst3Plugin: published parameters, units, the program list, value
// queries, edit gestures and views.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "vst3/Vst3EditorView.h"
#include "vst3/Vst3Parameter.h"
#include "vst3/Vst3Plugin.h"
#include "vst3/Vst3Text.h"

namespace tesselor::vst3 {

using namespace Steinberg;
using namespace Steinberg::Vst;

void Vst3Plugin::PublishParameters() {
    // Host indices follow this order: preset, bypass, then the registry.
    if (PresetCount() > 0) {
        parameters.addParameter(new Parameter(STR16("Preset"), kPresetParamId, STR16(""), 0.0,
                                              PresetCount(), ParameterInfo::kIsProgramChange,
                                              kRootUnitId));
    }
    auto* bypass = new StringListParameter(
        STR16("Bypass"), kBypassParamId, nullptr,
        ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass,
        kRootUnitId);
    parameters.addParameter(bypass);
    bypass->appendString(STR16("off"));
    bypass->appendString(STR16("on"));

    std::vector<const char*>& groups = GroupNames();
    for (int i = 0; i < ParamCount(); ++i) {
        const framework::PluginParam* param = Param(i);
        UnitID unit = kRootUnitId;
        if (param->Group()[0]) {
            auto found = std::find_if(groups.begin(), groups.end(), [&](const char* g) {
                return std::strcmp(g, param->Group()) == 0;
            });
            if (found == groups.end()) {
                groups.push_back(param->Group());
                found = groups.end() - 1;
            }
            unit = static_cast<UnitID>(found - groups.begin()) + 1;
        }
        parameters.addParameter(new Vst3Parameter(param, static_cast<ParamID>(i), unit));
    }
}

tresult PLUGIN_API Vst3Plugin::getParamStringByValue(ParamID id, ParamValue normal,
                                                     String128 text) {
    if (!text) return kInvalidArgument;
    if (id >= static_cast<ParamID>(ParamCount())) return kResultFalse;
    Vst3Parameter::Format(*Param(static_cast<int>(id)), normal, text);
    return kResultOk;
}

tresult PLUGIN_API Vst3Plugin::getParamValueByString(ParamID id, TChar* text, ParamValue& normal) {
    if (!text) return kInvalidArgument;
    if (id == kPresetParamId) {
        // A preset's name or its number (0-based, as the program list counts) gives the value the
        // preset parameter selects it by; anything else is no preset.
        char bytes[128] = {};
        NarrowText(bytes, sizeof bytes, text);
        for (int i = 0; i < PresetCount(); ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "%d", i);
            if (std::strcmp(bytes, Preset(i)->name) == 0 || std::strcmp(bytes, number) == 0) {
                normal = static_cast<double>(i) / PresetCount();
                return kResultOk;
            }
        }
        return kResultFalse;
    }
    return SingleComponentEffect::getParamValueByString(id, text, normal);
}

ParamValue PLUGIN_API Vst3Plugin::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (id >= static_cast<ParamID>(ParamCount())) return plain;
    if (std::isnan(plain)) return 0.0;
    return Param(static_cast<int>(id))->PlainToNormal(plain);
}

ParamValue PLUGIN_API Vst3Plugin::getParamNormalized(ParamID id) {
    if (id == kBypassParamId) return _bypassShown.load(std::memory_order_relaxed);
    if (id >= static_cast<ParamID>(ParamCount())) return 0.0;
    return Param(static_cast<int>(id))->CurrentNormal();
}

tresult PLUGIN_API Vst3Plugin::setParamNormalized(ParamID id, ParamValue normal) {
    if (std::isnan(normal)) return kInvalidArgument;
    if (id == kBypassParamId) {
        // Only shown: processing switches when the bypass arrives through process().
        _bypassShown.store(std::clamp(normal, 0.0, 1.0), std::memory_order_relaxed);
        return kResultOk;
    }
    if (id >= static_cast<ParamID>(ParamCount())) return kResultFalse;
    // No lock and no change hook: the processor side is where the plug-in reacts to the host.
    Param(static_cast<int>(id))->ApplyNormal(std::clamp(normal, 0.0, 1.0));
    return kResultOk;
}

IPlugView* PLUGIN_API Vst3Plugin::createView(FIDString name) {
    if (!name || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
    try {
        _views.reserve(_views.size() + 1);
        auto* view = new Vst3EditorView(this);
        _views.push_back(view);
        return view;
    } catch (...) {
        return nullptr;
    }
}

void Vst3Plugin::ViewDestroyed(Vst3EditorView*) { _views.clear(); }

int32 PLUGIN_API Vst3Plugin::getUnitCount() { return static_cast<int32>(GroupNames().size()) + 1; }

tresult PLUGIN_API Vst3Plugin::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (unitIndex < 0 || unitIndex > static_cast<int32>(GroupNames().size())) return kResultFalse;
    info.id = unitIndex;
    info.parentUnitId = unitIndex == 0 ? kNoParentUnitId : kRootUnitId;
    info.programListId = kNoProgramListId;
    WidenText(info.name, unitIndex == 0 ? "Root Unit" : GroupNames()[unitIndex - 1]);
    return kResultOk;
}

// Hosts that follow the count ask nothing more; the list is still described for those that do.
int32 PLUGIN_API Vst3Plugin::getProgramListCount() { return 0; }

tresult PLUGIN_API Vst3Plugin::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex != 0) return kResultFalse;
    info.id = kPresetParamId;
    WidenText(info.name, "Factory Presets");
    info.programCount = PresetCount();
    return kResultOk;
}

tresult PLUGIN_API Vst3Plugin::getProgramName(ProgramListID listId, int32 programIndex,
                                              String128 name) {
    if (listId != static_cast<ProgramListID>(kPresetParamId)) return kResultFalse;
    if (!name) return kInvalidArgument;
    const framework::PresetSlot* slot = Preset(programIndex);
    WidenText(name, 128, slot ? slot->name : "");
    return kResultOk;
}

tresult PLUGIN_API Vst3Plugin::getProgramInfo(ProgramListID, int32, Vst::CString, String128) {
    return kNotImplemented;
}

tresult PLUGIN_API Vst3Plugin::hasProgramPitchNames(ProgramListID, int32) {
    return kNotImplemented;
}

tresult PLUGIN_API Vst3Plugin::getProgramPitchName(ProgramListID, int32, int16, String128) {
    return kNotImplemented;
}

tresult PLUGIN_API Vst3Plugin::selectUnit(UnitID) { return kNotImplemented; }

tresult PLUGIN_API Vst3Plugin::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) {
    return kNotImplemented;
}

tresult PLUGIN_API Vst3Plugin::setUnitProgramData(int32, int32, IBStream*) {
    return kNotImplemented;
}

void Vst3Plugin::BeginParamGesture(int index) { beginEdit(static_cast<ParamID>(index)); }

void Vst3Plugin::ReportParamValue(int index, double normal) {
    performEdit(static_cast<ParamID>(index), normal);
}

void Vst3Plugin::EndParamGesture(int index) { endEdit(static_cast<ParamID>(index)); }

void Vst3Plugin::ShowParamContextMenu(int index, int x, int y) {
    if (!componentHandler || _views.empty()) return;
    FUnknownPtr<IComponentHandler3> handler(componentHandler);
    if (!handler) return;
    ParamID id = static_cast<ParamID>(index);
    if (IContextMenu* menu = handler->createContextMenu(_views.front(), &id)) {
        menu->popup(x, y);
        menu->release();
    }
}

void Vst3Plugin::RequestEditorSize(int width, int height) {
    if (!Editor() || _views.empty()) return;
    _views.front()->RequestResize(width, height);
}

}  // namespace tesselor::vst3
