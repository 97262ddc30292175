// tesselor info: what a module offers, as a table for people or as JSON for scripts.
#include <cstdio>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tools/CliSupport.h"
#include "tools/HostedPlugin.h"
#include "tools/JsonWriter.h"
#include "tools/PluginModule.h"
#include "tools/VstPresetFile.h"

namespace tesselor::tools {

namespace {

using Steinberg::Vst::BusInfo;
using Steinberg::Vst::ParameterInfo;

struct Bus {
    bool input = true;
    int index = 0;
    std::string name;
    int channels = 0;
};

std::vector<Bus> AudioBuses(Steinberg::Vst::IComponent* component) {
    std::vector<Bus> buses;
    for (auto dir : {Steinberg::Vst::kInput, Steinberg::Vst::kOutput}) {
        const int count = component->getBusCount(Steinberg::Vst::kAudio, dir);
        for (int b = 0; b < count; ++b) {
            BusInfo info = {};
            if (component->getBusInfo(Steinberg::Vst::kAudio, dir, b, info) != Steinberg::kResultOk)
                continue;
            buses.push_back({dir == Steinberg::Vst::kInput, b, PluginText(info.name),
                             static_cast<int>(info.channelCount)});
        }
    }
    return buses;
}

VstPresetFile::ClassId ClassIdOf(const Steinberg::PClassInfo2& info) {
    VstPresetFile::ClassId id;
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(info.cid[i]);
    return id;
}

void PrintTable(const PluginModule& module, const Steinberg::PFactoryInfo& factoryInfo,
                const HostedPlugin& plugin) {
    const Steinberg::PClassInfo2& c = plugin.ClassInfo();
    std::printf("module      %s\n", module.Path().c_str());
    std::printf("class       %s (%s; %s)\n", c.name, c.category, c.subCategories);
    std::printf("vendor      %s\n", c.vendor[0] ? c.vendor : factoryInfo.vendor);
    std::printf("version     %s, built with %s\n", c.version, c.sdkVersion);
    std::printf("class ID    %s\n", VstPresetFile::ClassIdText(ClassIdOf(c)).c_str());
    for (const Bus& bus : AudioBuses(plugin.Component())) {
        std::printf("%s bus  %d: \"%s\", %d channel%s\n", bus.input ? "input " : "output",
                    bus.index, bus.name.c_str(), bus.channels, bus.channels == 1 ? "" : "s");
    }

    std::printf("\n%10s  %-10s %-21s %-10s %-10s %s\n", "id", "name", "range", "default", "current",
                "units");
    for (const HostedParam& p : plugin.Params()) {
        const std::string range =
            plugin.ValueText(p.id, 0.0) + " .. " + plugin.ValueText(p.id, 1.0);
        std::printf("%10u  %-10s %-21s %-10s %-10s %s\n", p.id,
                    p.title.empty() ? "(unnamed)" : p.title.c_str(), range.c_str(),
                    plugin.ValueText(p.id, p.defaultNormal).c_str(),
                    plugin.ValueText(p.id, plugin.Normalized(p.id)).c_str(), p.units.c_str());
    }
}

// Key names are part of the interface scripts rely on; the README lists them.
void PrintJson(const PluginModule& module, const Steinberg::PFactoryInfo& factoryInfo,
               const HostedPlugin& plugin) {
    const Steinberg::PClassInfo2& c = plugin.ClassInfo();
    JsonWriter json;
    json.BeginObject();
    json.Key("module");
    json.String(module.Path());
    json.Key("class");
    json.BeginObject();
    json.Key("id");
    json.String(VstPresetFile::ClassIdText(ClassIdOf(c)));
    json.Key("name");
    json.String(c.name);
    json.Key("category");
    json.String(c.category);
    json.Key("subCategories");
    json.String(c.subCategories);
    json.Key("vendor");
    json.String(c.vendor[0] ? c.vendor : factoryInfo.vendor);
    json.Key("version");
    json.String(c.version);
    json.Key("sdkVersion");
    json.String(c.sdkVersion);
    json.EndObject();

    json.Key("buses");
    json.BeginArray();
    for (const Bus& bus : AudioBuses(plugin.Component())) {
        json.BeginObject();
        json.Key("direction");
        json.String(bus.input ? "input" : "output");
        json.Key("index");
        json.Integer(bus.index);
        json.Key("name");
        json.String(bus.name);
        json.Key("channels");
        json.Integer(bus.channels);
        json.EndObject();
    }
    json.EndArray();

    auto* controller = plugin.Controller();
    json.Key("parameters");
    json.BeginArray();
    for (const HostedParam& p : plugin.Params()) {
        const double current = plugin.Normalized(p.id);
        json.BeginObject();
        json.Key("id");
        json.Integer(p.id);
        json.Key("name");
        json.String(p.title);
        json.Key("units");
        json.String(p.units);
        json.Key("stepCount");
        json.Integer(p.stepCount);
        json.Key("automatable");
        json.Bool(p.flags & ParameterInfo::kCanAutomate);
        json.Key("readOnly");
        json.Bool(p.flags & ParameterInfo::kIsReadOnly);
        json.Key("bypass");
        json.Bool(p.flags & ParameterInfo::kIsBypass);
        json.Key("list");
        json.Bool(p.flags & ParameterInfo::kIsList);
        // Plain values are in the parameter's own units; normalised ones 0..1 as hosts automate.
        for (auto [key, normal] :
             {std::pair{"min", 0.0}, std::pair{"max", 1.0}, std::pair{"default", p.defaultNormal},
              std::pair{"current", current}}) {
            json.Key(key);
            json.Number(controller->normalizedParamToPlain(p.id, normal));
            json.Key(std::string(key) + "Text");
            json.String(plugin.ValueText(p.id, normal));
        }
        json.Key("defaultNormalized");
        json.Number(p.defaultNormal);
        json.Key("currentNormalized");
        json.Number(current);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    std::fputs(json.Text().c_str(), stdout);
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
    std::string bundle;
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return Fail("unknown option '" + arg + "'\n" + Usage());
        } else if (bundle.empty()) {
            bundle = arg;
        } else {
            return Fail("info takes at most one bundle\n" + Usage());
        }
    }
    if (bundle.empty()) bundle = DefaultBundle();

    std::string error;
    auto module = PluginModule::Open(bundle, &error);
    if (!module) return Fail(error);
    Steinberg::PFactoryInfo factoryInfo;
    module->Factory()->getFactoryInfo(&factoryInfo);
    auto plugin = HostedPlugin::Create(module->Factory(), &error);
    if (!plugin) return Fail(module->Path() + ": " + error);
    if (json) {
        PrintJson(*module, factoryInfo, *plugin);
    } else {
        PrintTable(*module, factoryInfo, *plugin);
    }
    return 0;
}

}  // namespace tesselor::tools
