#include "tools/PluginSettings.h"

#include <algorithm>
#include <cmath>

#include "tools/CliSupport.h"

namespace tesselor::tools {

using Steinberg::Vst::ParameterInfo;

namespace {

struct Setting {
    Steinberg::Vst::ParamID id = 0;
    double normal = 0.0;
};

// NAME=VALUE in display units, checked against the parameter's displayed range. An exact name
// wins over one that differs only in case.
bool ResolveSetting(const HostedPlugin& plugin, const std::vector<HostedParam>& params,
                    const std::string& arg, Setting* setting, std::string* error) {
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
        *error = "--set wants NAME=VALUE, got '" + arg + "'";
        return false;
    }
    const std::string name = arg.substr(0, eq);
    const std::string text = arg.substr(eq + 1);
    const HostedParam* param = nullptr;
    for (const HostedParam& p : params) {
        if (p.title == name) param = &p;
    }
    for (const HostedParam& p : params) {
        if (!param && !p.title.empty() && Lower(p.title) == Lower(name)) param = &p;
    }
    if (!param) {
        *error = "unknown parameter '" + name + "' (see 'tesselor info')";
        return false;
    }
    auto* controller = plugin.Controller();
    Steinberg::Vst::String128 wide = {};
    SetPluginText(wide, text);
    Steinberg::Vst::ParamValue normal = 0.0;
    double value = 0.0;
    if (ParseNumber(text, &value)) {
        const double lo = controller->normalizedParamToPlain(param->id, 0.0);
        const double hi = controller->normalizedParamToPlain(param->id, 1.0);
        const double slack = 1e-9 * std::max(1.0, std::fabs(hi - lo));
        if (value < std::min(lo, hi) - slack || value > std::max(lo, hi) + slack) {
            *error = name + "=" + text + " is out of range (" + plugin.ValueText(param->id, 0.0) +
                     " .. " + plugin.ValueText(param->id, 1.0) + ")";
            return false;
        }
        if (controller->getParamValueByString(param->id, wide, normal) != Steinberg::kResultOk)
            normal = controller->plainParamToNormalized(param->id, value);
    } else if (!(param->flags & ParameterInfo::kIsList) ||
               controller->getParamValueByString(param->id, wide, normal) != Steinberg::kResultOk) {
        // Words only name entries of list parameters; elsewhere plug-ins read them as 0.
        *error = "'" + text + "' is not a value of " + name;
        return false;
    }
    setting->id = param->id;
    setting->normal = std::clamp(normal, 0.0, 1.0);
    return true;
}

}  // namespace

PluginSettings::PluginSettings(std::string statePath, std::string presetPath,
                               std::vector<std::string> sets, bool bypass)
    : _statePath(std::move(statePath)),
      _presetPath(std::move(presetPath)),
      _sets(std::move(sets)),
      _bypass(bypass) {}

bool PluginSettings::Read(std::string* error) {
    if (!_statePath.empty() && !_presetPath.empty()) {
        *error = "--state and --preset each set the whole state; give one of them";
        return false;
    }
    if (!_statePath.empty() && !ReadWholeFile(_statePath, &_state)) {
        *error = "cannot read state file " + _statePath;
        return false;
    }
    if (!_presetPath.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(_presetPath, &bytes)) {
            *error = "cannot read preset " + _presetPath;
            return false;
        }
        std::string why;
        if (!VstPresetFile::Parse(bytes, &_preset, &why)) {
            *error = _presetPath + ": " + why;
            return false;
        }
    }
    return true;
}

bool PluginSettings::Apply(HostedPlugin& plugin, ParamChanges* firstBlock,
                           std::string* error) const {
    if (!_statePath.empty() && !plugin.LoadState(_state)) {
        *error = _statePath + ": not a state this plug-in saved";
        return false;
    }
    if (!_presetPath.empty()) {
        VstPresetFile::ClassId ours;
        for (std::size_t i = 0; i < ours.size(); ++i)
            ours[i] = static_cast<std::uint8_t>(plugin.ClassInfo().cid[i]);
        if (!_preset.IsFor(ours)) {
            *error = _presetPath + ": a preset for another plug-in (class " +
                     VstPresetFile::ClassIdText(_preset.classId) + "), not for " +
                     plugin.ClassInfo().name + " (class " + VstPresetFile::ClassIdText(ours) + ")";
            return false;
        }
        std::string why;
        if (!plugin.LoadPresetStates(_preset.componentState, _preset.controllerState, &why)) {
            *error = _presetPath + ": " + why;
            return false;
        }
    }

    const std::vector<HostedParam> params = plugin.Params();
    for (const std::string& s : _sets) {
        Setting setting;
        if (!ResolveSetting(plugin, params, s, &setting, error)) return false;
        plugin.Controller()->setParamNormalized(setting.id, setting.normal);
        if (!firstBlock->Add(setting.id, setting.normal)) {
            *error = "too many --set values for one block";
            return false;
        }
    }
    for (const HostedParam& p : params) {
        if (_bypass && (p.flags & ParameterInfo::kIsBypass) && !firstBlock->Add(p.id, 1.0)) {
            *error = "too many --set values for one block";
            return false;
        }
    }
    return true;
}

}  // namespace tesselor::tools
