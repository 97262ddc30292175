// tesselor snapshot: the editor panel as a PNG, as the editor shows it with the given settings.
// The settings go through the bundle like every command's; the panel is drawn by the equaliser's
// own editor, linked into the tool, after it has loaded the state the bundle's instance saved.
#include <memory>
#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "plugin/Tesselor.h"
#include "raster/PngWriter.h"
#include "tools/CliSupport.h"
#include "tools/HostedPlugin.h"
#include "tools/PluginModule.h"
#include "tools/PluginSettings.h"
#include "tools/SafeFileWriter.h"

namespace tesselor::tools {

namespace {

struct SnapshotOptions : SettingsOptions {
    std::string output;
};

// Out of line: inlined into RunSnapshot, GCC 12 takes the destruction of its word list for a
// free of `o` (-Wfree-nonheap-object).
[[gnu::noinline]] bool ParseOptions(const std::vector<std::string>& args, SnapshotOptions* o,
                                    std::string* error) {
    const std::vector<CliOption> options = o->Options(false);
    std::vector<std::string> positional;
    if (!ParseCliOptions(args, options, &positional, error)) return false;
    if (positional.size() != 1) {
        *error =
            (positional.empty() ? "snapshot needs OUT.png\n" : "snapshot takes one OUT.png\n") +
            Usage();
        return false;
    }
    o->output = positional[0];
    return true;
}

// The plug-in's whole state after the settings, from an instance of the bundle.
bool SettingsState(const SnapshotOptions& o, std::vector<std::uint8_t>* state, std::string* error) {
    auto module = PluginModule::Open(o.bundle.empty() ? DefaultBundle() : o.bundle, error);
    if (!module) return false;
    auto plugin = HostedPlugin::Create(module->Factory(), error);
    if (!plugin) {
        *error = module->Path() + ": " + *error;
        return false;
    }
    PluginSettings settings(o.statePath, o.presetPath, o.sets, false);
    ParamChanges ignored;  // only the processor needs these; the panel shows the registry
    if (!settings.Read(error) || !settings.Apply(*plugin, &ignored, error)) return false;
    if (!plugin->SaveState(state)) {
        *error = module->Path() + ": the plug-in gave no state";
        return false;
    }
    return true;
}

}  // namespace

int RunSnapshot(const std::vector<std::string>& args) {
    SnapshotOptions o;
    std::string error;
    if (!ParseOptions(args, &o, &error)) return Fail(error);
    std::unique_ptr<SafeFileWriter> out = SafeFileWriter::Create(o.output, &error);
    if (!out) return Fail(error);
    std::vector<std::uint8_t> state;
    if (!SettingsState(o, &state, &error)) return Fail(error);

    auto* eq = new plugin::Tesselor();  // reference counted
    struct Release {
        plugin::Tesselor* eq;
        ~Release() { eq->release(); }
    } release{eq};
    ByteStream stream(state);
    Steinberg::Vst::IEditController* controller = eq;
    if (controller->setState(&stream) != Steinberg::kResultOk)
        return Fail("the editor's plug-in refused the state of the bundle's");
    auto* editor = dynamic_cast<graphics::Graphics*>(eq->Editor());
    if (!editor || !editor->Surface()) return Fail("the plug-in has no editor to draw");
    // What a window shows when it opens: every control drawn once.
    editor->MarkAllDirty();
    editor->Tick();
    std::vector<std::uint8_t> png;
    const raster::PngWriteStatus status = raster::WritePngToMemory(editor->Surface(), png);
    if (status != raster::PngWriteStatus::kOk)
        return Fail(std::string("cannot encode the panel: ") +
                    raster::DescribePngWriteStatus(status));
    if (!out->Write(png, &error) || !out->Commit(&error)) return Fail(error);
    std::printf("%d x %d panel -> %s\n", editor->Width(), editor->Height(), o.output.c_str());
    return 0;
}

}  // namespace tesselor::tools
