// tesselor plot: the magnitude response of a plug-in's settings, measured through its VST 3
// interface, as a PNG picture and optionally a CSV table. Both outputs are written through
// SafeFileWriter and committed together once everything has succeeded.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "raster/PngWriter.h"
#include "tools/CliSupport.h"
#include "tools/HostedPlugin.h"
#include "tools/MagnitudeResponse.h"
#include "tools/PluginModule.h"
#include "tools/PluginSettings.h"
#include "tools/ResponsePlot.h"
#include "tools/SafeFileWriter.h"

namespace tesselor::tools {

namespace {

constexpr double kDefaultRateHz = 48000.0;
// Below 40 Hz nothing is left above 10 Hz to plot. 768 kHz is the highest rate in use; the memory
// for the longest response a measurement may record grows with the rate (8 s, 100 MB there).
constexpr double kMinRateHz = 40.0;
constexpr double kMaxRateHz = 768000.0;

struct PlotOptions : SettingsOptions {
    std::string output;
    std::string csvPath;
    double rateHz = kDefaultRateHz;
};

bool HasPngExtension(const std::string& path) {
    return path.size() > 4 && Lower(path.substr(path.size() - 4)) == ".png";
}

bool ParseOptions(const std::vector<std::string>& args, PlotOptions* o, std::string* error) {
    std::string rate;
    std::vector<CliOption> options = o->Options();
    options.insert(options.end(), {{"--csv", &o->csvPath}, {"--rate", &rate}});
    std::vector<std::string> positional;
    if (!ParseCliOptions(args, options, &positional, error)) return false;
    if (!rate.empty() &&
        (!ParseNumber(rate, &o->rateHz) || o->rateHz < kMinRateHz || o->rateHz > kMaxRateHz)) {
        char range[96];
        std::snprintf(range, sizeof range, "%.0f to %.0f", kMinRateHz, kMaxRateHz);
        *error =
            "--rate wants a sample rate in Hz from " + std::string(range) + ", got '" + rate + "'";
        return false;
    }
    if (positional.size() != 1) {
        *error =
            (positional.empty() ? "plot needs OUT.png\n" : "plot takes one OUT.png\n") + Usage();
        return false;
    }
    o->output = positional[0];
    // Another extension would put PNG bytes under a name viewers read as something else.
    if (!HasPngExtension(o->output)) {
        *error = o->output + ": the picture is a PNG; name it NAME.png";
        return false;
    }
    if (!o->csvPath.empty() && CanonicalPath(o->csvPath) == CanonicalPath(o->output)) {
        *error = o->csvPath + " is named for two outputs";
        return false;
    }
    return true;
}

std::string RateText(double rateHz) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6g kHz", rateHz / 1000.0);
    return text;
}

// "Tesselor — LGain 0.85, HP 0.20, HPLP 1 — 48 kHz": the plug-in, every parameter away from its
// default as the plug-in shows it, and the rate.
std::string Title(const HostedPlugin& plugin, bool bypass, double rateHz) {
    using Steinberg::Vst::ParameterInfo;
    std::string settings;
    auto add = [&](const std::string& text) { settings += (settings.empty() ? "" : ", ") + text; };
    bool bypassed = bypass;
    for (const HostedParam& p : plugin.Params()) {
        if (p.flags & (ParameterInfo::kIsProgramChange | ParameterInfo::kIsReadOnly)) continue;
        const double normal = plugin.Normalized(p.id);
        if (p.flags & ParameterInfo::kIsBypass) {
            bypassed = bypassed || normal >= 0.5;
            continue;
        }
        if (std::fabs(normal - p.defaultNormal) <= 1e-9) continue;
        add(p.title + " " + plugin.ValueText(p.id, normal) +
            (p.units.empty() ? "" : " " + p.units));
    }
    if (bypassed) add("bypassed");
    const std::string dash = " \xE2\x80\x94 ";  // U+2014 EM DASH
    return plugin.ClassInfo().name + dash + (settings.empty() ? "default settings" : settings) +
           dash + RateText(rateHz);
}

}  // namespace

int RunPlot(const std::vector<std::string>& args) {
    PlotOptions o;
    std::string error;
    if (!ParseOptions(args, &o, &error)) return Fail(error);
    if (o.bundle.empty()) o.bundle = DefaultBundle();
    PluginSettings settings(o.statePath, o.presetPath, o.sets, o.bypass);
    if (!settings.Read(&error)) return Fail(error);

    auto module = PluginModule::Open(o.bundle, &error);
    if (!module) return Fail(error);
    auto plugin = HostedPlugin::Create(module->Factory(), &error);
    if (!plugin) return Fail(module->Path() + ": " + error);
    ParamChanges changes;
    if (!settings.Apply(*plugin, &changes, &error)) return Fail(error);
    // Before any processing, which may move what a plug-in reports (meters, counters).
    const std::string title = Title(*plugin, o.bypass, o.rateHz);

    // Opened before the measurement, so that an output that cannot be written stops the run at
    // once.
    auto png = SafeFileWriter::Create(o.output, &error);
    if (!png) return Fail(error);
    std::unique_ptr<SafeFileWriter> csv;
    if (!o.csvPath.empty() && !(csv = SafeFileWriter::Create(o.csvPath, &error)))
        return Fail(error);

    MagnitudeResponse response;
    if (!MagnitudeResponse::Measure(*plugin, o.rateHz, &changes, &response, &error))
        return Fail(module->Path() + ": " + error);

    const auto bitmap = DrawResponsePlot(response, title);
    if (!bitmap) return Fail("out of memory for the picture");
    std::vector<std::uint8_t> bytes;
    const raster::PngWriteStatus status = raster::WritePngToMemory(bitmap.get(), bytes);
    if (status != raster::PngWriteStatus::kOk)
        return Fail(o.output + ": " + raster::DescribePngWriteStatus(status));
    if (!png->Write(bytes, &error)) return Fail(error);
    if (csv) {
        const std::string text = response.Csv();
        if (!csv->Write(std::vector<std::uint8_t>(text.begin(), text.end()), &error))
            return Fail(error);
    }
    if (!png->Finish(&error) || (csv && !csv->Finish(&error)) || !png->Commit(&error) ||
        (csv && !csv->Commit(&error)))
        return Fail(error);

    const std::string outputs = o.output + (csv ? " and " + o.csvPath : "");
    std::printf(
        "plotted %s at %s: %d points from 10 Hz to %g Hz, %s samples, %.2f s of audio -> %s\n",
        plugin->ClassInfo().name, RateText(o.rateHz).c_str(),
        static_cast<int>(response.frequenciesHz.size()), o.rateHz / 2.0,
        response.doublePrecision ? "64-bit" : "32-bit", response.audioSeconds, outputs.c_str());
    return 0;
}

}  // namespace tesselor::tools
