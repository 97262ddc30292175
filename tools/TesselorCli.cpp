// tesselor: runs audio files through a VST 3 plug-in from the command line, loading it through
// its exported factory the way a DAW does.
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tools/HostedPlugin.h"
#include "tools/PluginModule.h"

namespace {

using namespace tesselor::tools;
using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::ParamID;

constexpr int kDefaultBlock = 512;       // frames
constexpr double kProgressAfterS = 5.0;  // files shorter than this get no progress bar

const char kUsage[] =
    "usage: tesselor info [BUNDLE]\n"
    "       tesselor render IN OUT [--plugin BUNDLE] [--set NAME=VALUE ...] [--state FILE]\n"
    "                       [--save-state FILE] [--block N] [--bypass]\n"
    "BUNDLE defaults to $TESSELOR_PLUGIN, then the build's Tesselor.vst3, then "
    "~/.vst3/Tesselor.vst3.\n"
    "Values are given in the units the parameter table of 'tesselor info' shows.\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "tesselor: %s\n", message.c_str());
    return 1;
}

std::string DefaultBundle() {
    if (const char* env = std::getenv("TESSELOR_PLUGIN"); env && *env) return env;
    std::error_code ec;
#ifdef TESSELOR_DEFAULT_BUNDLE
    if (std::filesystem::exists(TESSELOR_DEFAULT_BUNDLE, ec)) return TESSELOR_DEFAULT_BUNDLE;
#endif
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.vst3/Tesselor.vst3";
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The whole text as a number, or false.
bool ParseNumber(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(*value);
}

int Info(const std::string& bundle) {
    std::string error;
    auto module = PluginModule::Open(bundle, &error);
    if (!module) return Fail(error);
    Steinberg::PFactoryInfo factoryInfo;
    module->Factory()->getFactoryInfo(&factoryInfo);
    auto plugin = HostedPlugin::Create(module->Factory(), &error);
    if (!plugin) return Fail(module->Path() + ": " + error);

    const Steinberg::PClassInfo2& c = plugin->ClassInfo();
    std::printf("module      %s\n", module->Path().c_str());
    std::printf("class       %s (%s; %s)\n", c.name, c.category, c.subCategories);
    std::printf("vendor      %s\n", c.vendor[0] ? c.vendor : factoryInfo.vendor);
    std::printf("version     %s, built with %s\n", c.version, c.sdkVersion);
    std::printf("class ID    ");
    for (int i = 0; i < 16; ++i) std::printf("%02X", static_cast<unsigned char>(c.cid[i]));
    std::printf("\n");

    auto* component = plugin->Component();
    for (auto dir : {Steinberg::Vst::kInput, Steinberg::Vst::kOutput}) {
        const int count = component->getBusCount(Steinberg::Vst::kAudio, dir);
        for (int b = 0; b < count; ++b) {
            Steinberg::Vst::BusInfo info = {};
            component->getBusInfo(Steinberg::Vst::kAudio, dir, b, info);
            const std::string name = PluginText(info.name);
            std::printf("%s bus  %d: \"%s\", %d channel%s\n",
                        dir == Steinberg::Vst::kInput ? "input " : "output", b, name.c_str(),
                        info.channelCount, info.channelCount == 1 ? "" : "s");
        }
    }

    std::printf("\n%10s  %-10s %-21s %-10s %-10s %s\n", "id", "name", "range", "default", "current",
                "units");
    for (const HostedParam& p : plugin->Params()) {
        const std::string range =
            plugin->ValueText(p.id, 0.0) + " .. " + plugin->ValueText(p.id, 1.0);
        std::printf("%10u  %-10s %-21s %-10s %-10s %s\n", p.id,
                    p.title.empty() ? "(unnamed)" : p.title.c_str(), range.c_str(),
                    plugin->ValueText(p.id, p.defaultNormal).c_str(),
                    plugin->ValueText(p.id, plugin->Normalized(p.id)).c_str(), p.units.c_str());
    }
    return 0;
}

struct Setting {
    ParamID id = 0;
    double normal = 0.0;
};

// NAME=VALUE in display units, checked against the parameter's displayed range.
bool ResolveSetting(HostedPlugin& plugin, const std::vector<HostedParam>& params,
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
        Steinberg::Vst::ParamValue normal = 0.0;
        if (controller->getParamValueByString(param->id, wide, normal) != Steinberg::kResultOk)
            normal = controller->plainParamToNormalized(param->id, value);
        setting->normal = std::clamp(normal, 0.0, 1.0);
    } else {
        // Words only name entries of list parameters; elsewhere plug-ins read them as 0.
        Steinberg::Vst::ParamValue normal = 0.0;
        if (!(param->flags & ParameterInfo::kIsList) ||
            controller->getParamValueByString(param->id, wide, normal) != Steinberg::kResultOk) {
            *error = "'" + text + "' is not a value of " + name;
            return false;
        }
        setting->normal = std::clamp(normal, 0.0, 1.0);
    }
    setting->id = param->id;
    return true;
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The input's format, unless OUT's extension names another container; then the input's sample
// encoding if that container takes it, else a common one it does.
int OutputFormat(const SF_INFO& in, const std::string& inPath, const std::string& outPath) {
    std::string ext = Lower(std::filesystem::path(outPath).extension().string());
    if (ext == Lower(std::filesystem::path(inPath).extension().string())) return in.format;
    if (!ext.empty()) ext.erase(0, 1);
    if (ext == "aif") ext = "aiff";
    if (ext == "oga") ext = "ogg";
    int major = 0;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count && !ext.empty(); ++i) {
        SF_FORMAT_INFO info = {};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (info.extension && ext == info.extension && major == 0) major = info.format;
    }
    if (major == 0 || major == (in.format & SF_FORMAT_TYPEMASK)) return in.format;
    SF_INFO probe = in;
    for (int sub : {in.format & SF_FORMAT_SUBMASK, int(SF_FORMAT_PCM_24), int(SF_FORMAT_PCM_16),
                    int(SF_FORMAT_FLOAT), int(SF_FORMAT_VORBIS)}) {
        probe.format = major | sub;
        if (sf_format_check(&probe)) return probe.format;
    }
    return in.format;
}

void ShowProgress(double done01) {
    constexpr int kWidth = 40;  // characters
    const int filled = static_cast<int>(done01 * kWidth);
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), static_cast<int>(done01 * 100.0));
    std::fflush(stderr);
}

int Render(int argc, char** argv) {
    if (argc < 4) return Fail(std::string("render needs IN and OUT\n") + kUsage);
    const std::string inPath = argv[2];
    const std::string outPath = argv[3];
    std::string bundle = DefaultBundle();
    std::vector<std::string> sets;
    std::string statePath;
    std::string saveStatePath;
    int block = kDefaultBlock;
    bool bypass = false;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--bypass") {
            bypass = true;
        } else if (arg == "--set" || arg == "--state" || arg == "--save-state" ||
                   arg == "--block" || arg == "--plugin") {
            const char* v = value();
            if (!v) return Fail(arg + " needs a value");
            if (arg == "--set") sets.push_back(v);
            if (arg == "--state") statePath = v;
            if (arg == "--save-state") saveStatePath = v;
            if (arg == "--plugin") bundle = v;
            if (arg == "--block") {
                double n = 0.0;
                if (!ParseNumber(v, &n) || n < 1 || n > 65536 || n != std::floor(n))
                    return Fail(
                        std::string(
                            "--block wants a whole number of frames from 1 to 65536, got '") +
                        v + "'");
                block = static_cast<int>(n);
            }
        } else {
            return Fail("unknown option '" + arg + "'\n" + kUsage);
        }
    }

    if (!std::filesystem::exists(inPath)) return Fail("no such file: " + inPath);
    SF_INFO inInfo = {};
    SNDFILE* in = sf_open(inPath.c_str(), SFM_READ, &inInfo);
    if (!in) return Fail(inPath + ": " + sf_strerror(nullptr));
    struct Closer {
        SNDFILE*& f;
        ~Closer() {
            if (f) sf_close(f);
        }
    } closeIn{in};
    if (inInfo.channels != 1 && inInfo.channels != 2)
        return Fail(inPath + " has " + std::to_string(inInfo.channels) +
                    " channels; only mono and stereo are supported");

    std::string error;
    auto module = PluginModule::Open(bundle, &error);
    if (!module) return Fail(error);
    auto plugin = HostedPlugin::Create(module->Factory(), &error);
    if (!plugin) return Fail(module->Path() + ": " + error);

    if (!statePath.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!ReadFile(statePath, &bytes)) return Fail("cannot read state file " + statePath);
        if (!plugin->LoadState(bytes)) return Fail(statePath + ": not a state this plug-in saved");
    }

    const std::vector<HostedParam> params = plugin->Params();
    ParamChanges changes;
    for (const std::string& s : sets) {
        Setting setting;
        if (!ResolveSetting(*plugin, params, s, &setting, &error)) return Fail(error);
        plugin->Controller()->setParamNormalized(setting.id, setting.normal);
        changes.Add(setting.id, setting.normal);
    }
    for (const HostedParam& p : params) {
        if (bypass && (p.flags & ParameterInfo::kIsBypass)) changes.Add(p.id, 1.0);
    }

    if (!plugin->Prepare(inInfo.samplerate, block, inInfo.channels, &error)) return Fail(error);

    SF_INFO outInfo = inInfo;
    outInfo.format = OutputFormat(inInfo, inPath, outPath);
    outInfo.frames = 0;
    SNDFILE* out = sf_open(outPath.c_str(), SFM_WRITE, &outInfo);
    if (!out) return Fail(outPath + ": " + sf_strerror(nullptr));
    Closer closeOut{out};
    // Float input read back as float must not be clipped on the way out either.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    const int channels = inInfo.channels;
    std::vector<float> interleaved(static_cast<std::size_t>(block) * channels);
    std::vector<std::vector<float>> inputs(channels, std::vector<float>(block));
    std::vector<std::vector<float>> outputs(channels, std::vector<float>(block));
    float* inPtr[2] = {};
    float* outPtr[2] = {};
    for (int c = 0; c < channels; ++c) {
        inPtr[c] = inputs[c].data();
        outPtr[c] = outputs[c].data();
    }

    const bool progress =
        isatty(STDERR_FILENO) && inInfo.frames > kProgressAfterS * inInfo.samplerate;
    const auto start = std::chrono::steady_clock::now();
    sf_count_t total = 0;
    int lastPercent = -1;
    while (true) {
        const sf_count_t got = sf_readf_float(in, interleaved.data(), block);
        if (got <= 0) break;
        const int frames = static_cast<int>(got);
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c)
                inputs[c][f] = interleaved[static_cast<std::size_t>(f) * channels + c];
        }
        if (!plugin->Process(inPtr, outPtr, frames, total == 0 ? &changes : nullptr))
            return Fail("the plug-in failed to process a block");
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c)
                interleaved[static_cast<std::size_t>(f) * channels + c] = outputs[c][f];
        }
        if (sf_writef_float(out, interleaved.data(), got) != got)
            return Fail(outPath + ": " + sf_strerror(out));
        total += got;
        const int percent = inInfo.frames > 0 ? static_cast<int>(100 * total / inInfo.frames) : 0;
        if (progress && percent != lastPercent) {
            ShowProgress(
                std::min(1.0, static_cast<double>(total) / static_cast<double>(inInfo.frames)));
            lastPercent = percent;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (progress) std::fprintf(stderr, "\n");

    if (!saveStatePath.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!plugin->SaveState(&bytes)) return Fail("the plug-in gave no state to save");
        if (!WriteFile(saveStatePath, bytes))
            return Fail("cannot write state file " + saveStatePath);
    }

    const double audioS = static_cast<double>(total) / inInfo.samplerate;
    std::printf("rendered %.2f s of %s audio at %d Hz in %.3f s (%.0fx real time) -> %s\n", audioS,
                channels == 1 ? "mono" : "stereo", inInfo.samplerate, seconds,
                seconds > 0.0 ? audioS / seconds : 0.0, outPath.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    const std::string command = argv[1];
    if (command == "info") {
        if (argc > 3) return Fail(std::string("info takes at most one bundle\n") + kUsage);
        return Info(argc == 3 ? argv[2] : DefaultBundle());
    }
    if (command == "render") return Render(argc, argv);
    return Fail("unknown command '" + command + "'\n" + kUsage);
}
