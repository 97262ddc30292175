// tesselor render: audio files through the plug-in, one into another or many into a folder.
// Every output is written through SafeFileWriter, so an output may be one of the inputs, and an
// interrupted or failing run leaves existing files as they were.
#include <algorithm>
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
#include "tools/VstPresetFile.h"

namespace tesselor::tools {

namespace {

constexpr int kDefaultBlock = 512;  // frames
constexpr int kMaxBlock = 65536;    // frames

struct RenderOptions : SettingsOptions {
    std::vector<std::string> inputs;
    std::string output;  // the IN OUT form
    std::string outDir;  // the IN... --out-dir DIR form
    std::string saveStatePath;
    std::string savePresetPath;
    int block = kDefaultBlock;
};

bool ParseOptions(const std::vector<std::string>& args, RenderOptions* o, std::string* error) {
    std::string block;
    std::vector<CliOption> options = o->Options();
    options.insert(options.end(), {{"--save-state", &o->saveStatePath},
                                   {"--save-preset", &o->savePresetPath},
                                   {"--out-dir", &o->outDir},
                                   {"--block", &block}});
    std::vector<std::string> positional;
    if (!ParseCliOptions(args, options, &positional, error)) return false;
    if (!block.empty()) {
        double n = 0.0;
        if (!ParseNumber(block, &n) || n < 1 || n > kMaxBlock || n != std::floor(n)) {
            *error = "--block wants a whole number of frames from 1 to " +
                     std::to_string(kMaxBlock) + ", got '" + block + "'";
            return false;
        }
        o->block = static_cast<int>(n);
    }
    if (!o->outDir.empty()) {
        o->inputs = positional;
        if (o->inputs.empty()) *error = "render --out-dir needs at least one input\n" + Usage();
        return !o->inputs.empty();
    }
    if (positional.size() != 2) {
        *error = positional.size() < 2 ? "render needs IN and OUT\n" + Usage()
                                       : "several inputs need --out-dir DIR\n" + Usage();
        return false;
    }
    o->inputs = {positional[0]};
    o->output = positional[1];
    return true;
}

// The state file and preset a run saves besides its audio, from the plug-in once it has rendered.
struct SideOutputs {
    std::unique_ptr<SafeFileWriter> state;
    std::unique_ptr<SafeFileWriter> preset;

    bool Create(const RenderOptions& o, std::string* error) {
        if (!o.saveStatePath.empty() && !(state = SafeFileWriter::Create(o.saveStatePath, error)))
            return false;
        if (!o.savePresetPath.empty() &&
            !(preset = SafeFileWriter::Create(o.savePresetPath, error)))
            return false;
        return true;
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
        if (preset) {
            VstPresetFile file;
            for (std::size_t i = 0; i < file.classId.size(); ++i)
                file.classId[i] = static_cast<std::uint8_t>(plugin.ClassInfo().cid[i]);
            if (!plugin.SavePresetStates(&file.componentState, &file.controllerState, error))
                return false;
            if (!preset->Write(file.Serialize(), error)) return false;
        }
        return true;
    }

    bool Finish(std::string* error) {
        return (!state || state->Finish(error)) && (!preset || preset->Finish(error));
    }

    bool Commit(std::string* error) {
        return (!state || state->Commit(error)) && (!preset || preset->Commit(error));
    }
};

// `render`'s input through a fresh instance of the plug-in into `out`. The instance comes back in
// `used`: its state is what --save-state and --save-preset write.
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
    const std::string names[] = {o.output, o.saveStatePath, o.savePresetPath};
    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            if (!names[a].empty() && !names[b].empty() &&
                CanonicalPath(names[a]) == CanonicalPath(names[b]))
                return Fail(names[b] + " is named for two outputs");
        }
    }
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

int RenderBatch(const RenderOptions& o, const PluginModule& module,
                const PluginSettings& settings) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(o.outDir, ec);
    if (!fs::is_directory(o.outDir, ec))
        return Fail(o.outDir + " is no folder and cannot be made one");
    std::string error;
    SideOutputs side;
    if (!side.Create(o, &error)) return Fail(error);

    // Outputs so far, by resolved path: a second input of the same name must not replace the
    // first one's result, nor an audio output the state or preset.
    std::vector<std::string> taken;
    for (const std::string& path : {o.saveStatePath, o.savePresetPath}) {
        if (!path.empty()) taken.push_back(CanonicalPath(path));
    }
    const int count = static_cast<int>(o.inputs.size());
    int failed = 0;
    std::unique_ptr<HostedPlugin> last;
    for (int i = 0; i < count; ++i) {
        const std::string& in = o.inputs[i];
        const std::string label = "[" + std::to_string(i + 1) + "/" + std::to_string(count) + "] ";
        const fs::path name = fs::path(in).filename();
        const std::string outPath = (fs::path(o.outDir) / name).string();
        const std::string resolved = CanonicalPath(outPath);
        std::unique_ptr<AudioFileRender> render;
        std::unique_ptr<SafeFileWriter> out;
        std::unique_ptr<HostedPlugin> plugin;
        error.clear();
        if (name.empty() || fs::is_directory(in, ec)) {
            error = in + " is no file";
        } else if (std::find(taken.begin(), taken.end(), resolved) != taken.end()) {
            error = in + ": " + outPath + " is already an output of this run";
        } else {
            taken.push_back(resolved);
            if ((render = AudioFileRender::Open(in, outPath, &error)) &&
                (out = SafeFileWriter::Create(outPath, &error)) &&
                RenderFile(module, settings, o.block, *render, *out, &plugin, &error) &&
                out->Commit(&error)) {
                std::printf("%s%s -> %s: %s\n", label.c_str(), in.c_str(), outPath.c_str(),
                            Describe(*render).c_str());
                std::fflush(stdout);
                last = std::move(plugin);
                continue;
            }
        }
        ++failed;
        Fail(label + error);
    }

    if (side.state || side.preset) {
        if (failed > 0) {
            Fail("--save-state and --save-preset write nothing when a file failed");
        } else if (!side.Write(*last, &error) || !side.Finish(&error) || !side.Commit(&error)) {
            Fail(error);
            ++failed;  // the run did not do everything it was asked
        }
    }
    std::printf("rendered %d of %d file%s into %s", count - failed, count, count == 1 ? "" : "s",
                o.outDir.c_str());
    if (failed > 0) std::printf("; %d failed", failed);
    std::printf("\n");
    return failed > 0 ? 1 : 0;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
    RenderOptions o;
    std::string error;
    if (!ParseOptions(args, &o, &error)) return Fail(error);
    if (o.bundle.empty()) o.bundle = DefaultBundle();
    PluginSettings settings(o.statePath, o.presetPath, o.sets, o.bypass);
    if (!settings.Read(&error)) return Fail(error);

    auto module = PluginModule::Open(o.bundle, &error);
    if (!module) return Fail(error);
    // Settings are checked once on a throwaway instance, so that a misspelt name or a preset of
    // another plug-in stops the run with one line before any file is touched.
    {
        auto probe = HostedPlugin::Create(module->Factory(), &error);
        if (!probe) return Fail(module->Path() + ": " + error);
        ParamChanges changes;
        if (!settings.Apply(*probe, &changes, &error)) return Fail(error);
    }
    return o.outDir.empty() ? RenderOne(o, *module, settings) : RenderBatch(o, *module, settings);
}

}  // namespace tesselor::tools
