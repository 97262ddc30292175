// tesselor render: an audio file through the plug-in into another.
// Every output is written through SafeFileWriter, so an output may be the input, and an
// interrupted or failing run leaves existing files as they were.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/AudioFileRender.h"
#include "tools/CliSupport.h"
#include "tools/HostedPlugin.h"
#include "tools/PluginModule.h"
#include "tools/PluginSettings.h"
#include "tools/SafeFileWriter.h"

namespace tesselor::tools {

namespace {

constexpr int kDefaultBlock = 512;  // frames
constexpr int kMaxBlock = 65536;    // frames

struct RenderOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string bundle;
    std::string statePath;
    std::string saveStatePath;
    std::vector<std::string> sets;
    int block = kDefaultBlock;
    bool bypass = false;
};

bool ParseOptions(const std::vector<std::string>& args, RenderOptions* o, std::string* error) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--bypass") {
            o->bypass = true;
            continue;
        }
        std::string* field = arg == "--state"        ? &o->statePath
                             : arg == "--save-state" ? &o->saveStatePath
                             : arg == "--plugin"     ? &o->bundle
                                                     : nullptr;
        if (field || arg == "--set" || arg == "--block") {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (field) *field = value;
            if (arg == "--set") o->sets.push_back(value);
            if (arg == "--block") {
                double n = 0.0;
                if (!ParseNumber(value, &n) || n < 1 || n > kMaxBlock || n != std::floor(n)) {
                    *error = "--block wants a whole number of frames from 1 to " +
                             std::to_string(kMaxBlock) + ", got '" + value + "'";
                    return false;
                }
                o->block = static_cast<int>(n);
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'\n" + Usage();
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        *error = "render needs IN and OUT\n" + Usage();
        return false;
    }
    o->inputs = {positional[0]};
    o->output = positional[1];
    return true;
}

// The state file a run saves besides its audio, from the plug-in once it has rendered.
struct SideOutputs {
    std::unique_ptr<SafeFileWriter> state;

    bool Create(const RenderOptions& o, std::string* error) {
        return o.saveStatePath.empty() || (state = SafeFileWriter::Create(o.saveStatePath, error));
    }

    bool Write(HostedPlugin& plugin, std::string* error) {
        if (state) {
            std::vector<std::uint8_t> bytes;
            if (!plugin.SaveState(&bytes)) {
                *error = "the plug-in gave no state to save";
                return false;
            }
            if (!state->Write(bytes, error)) return false;
        }
        return true;
    }

    bool Finish(std::string* error) { return !state || state->Finish(error); }
    bool Commit(std::string* error) { return !state || state->Commit(error); }
};

// `render`'s input through a fresh instance of the plug-in into `out`. The instance comes back in
// `used`: its state is what --save-state writes.
bool RenderFile(const PluginModule& module, const PluginSettings& settings, int block,
                AudioFileRender& render, SafeFileWriter& out, std::unique_ptr<HostedPlugin>* used,
                std::string* error) {
    auto plugin = HostedPlugin::Create(module.Factory(), error);
    if (!plugin) {
        *error = module.Path() + ": " + *error;
        return false;
    }
    ParamChanges changes;
    if (!settings.Apply(*plugin, &changes, error) ||
        !plugin->Prepare(render.SampleRateHz(), block, render.Channels(), error) ||
        !render.Run(*plugin, block, &changes, out.Descriptor(), error))
        return false;
    *used = std::move(plugin);
    return true;
}

std::string Describe(const AudioFileRender& render) {
    char text[128];
    const double seconds = render.RenderSeconds();
    std::snprintf(text, sizeof text, "%.2f s of %s audio at %d Hz in %.3f s (%.0fx real time)",
                  render.AudioSeconds(), render.Channels() == 1 ? "mono" : "stereo",
                  render.SampleRateHz(), seconds,
                  seconds > 0.0 ? render.AudioSeconds() / seconds : 0.0);
    return text;
}

int RenderOne(const RenderOptions& o, const PluginModule& module, const PluginSettings& settings) {
    const std::string& in = o.inputs[0];
    // Two outputs under one name would leave only the one committed last.
    if (!o.saveStatePath.empty() && CanonicalPath(o.output) == CanonicalPath(o.saveStatePath))
        return Fail(o.saveStatePath + " is named for two outputs");
    std::string error;
    auto render = AudioFileRender::Open(in, o.output, &error);
    if (!render) return Fail(error);
    auto out = SafeFileWriter::Create(o.output, &error);
    if (!out) return Fail(error);
    SideOutputs side;
    if (!side.Create(o, &error)) return Fail(error);

    std::unique_ptr<HostedPlugin> plugin;
    if (!RenderFile(module, settings, o.block, *render, *out, &plugin, &error) ||
        !side.Write(*plugin, &error) || !out->Finish(&error) || !side.Finish(&error) ||
        !out->Commit(&error) || !side.Commit(&error))
        return Fail(error);
    std::printf("rendered %s -> %s\n", Describe(*render).c_str(), o.output.c_str());
    return 0;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
    RenderOptions o;
    std::string error;
    if (!ParseOptions(args, &o, &error)) return Fail(error);
    if (o.bundle.empty()) o.bundle = DefaultBundle();
    PluginSettings settings(o.statePath, o.sets, o.bypass);
    if (!settings.Read(&error)) return Fail(error);

    auto module = PluginModule::Open(o.bundle, &error);
    if (!module) return Fail(error);
    // Settings are checked once on a throwaway instance, so that a misspelt name stops the run
    // before any file is touched.
    {
        auto probe = HostedPlugin::Create(module->Factory(), &error);
        if (!probe) return Fail(module->Path() + ": " + error);
        ParamChanges changes;
        if (!settings.Apply(*probe, &changes, &error)) return Fail(error);
    }
    return RenderOne(o, *module, settings);
}

}  // namespace tesselor::tools
