// tesselor-host: a small VST 3 host for tests and checks. It loads a plug-in module through its
// exported factory only, as a DAW does, and runs raw 64-bit audio through it, round-trips its
// state and, on Windows, shows its editor in a real window and drives it with mouse messages.
// `noise` and `compare` make and check the audio, so that the same program checks one build's
// output against another's (the Windows DLL under Wine against the Linux module).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tools/CliSupport.h"
#include "tools/HostServices.h"
#include "tools/HostedPlugin.h"
#include "tools/PluginModule.h"
#include "tools/PluginSettings.h"
#include "tools/RawAudio.h"

#ifdef _WIN32
#include "raster/PngWriter.h"
#include "tools/HostEditorWindow.h"
#endif

namespace tesselor::tools {

namespace {

constexpr double kRateHz = 48000.0;
constexpr int kDefaultBlock = 512;          // frames
constexpr int kMaxBlock = 65536;            // frames
constexpr double kDefaultLimitDb = -140.0;  // compare: largest difference, dB below the peak
constexpr int kTicksToWait = 2;             // editor: redraw ticks between input and screenshot
constexpr int kTickTimeoutMs = 5000;

const char kUsage[] =
    "usage: tesselor-host render IN.f64 OUT.f64 [--block N] [--set NAME=VALUE]... [--plugin P]\n"
    "       tesselor-host state [--load FILE] [--set NAME=VALUE]... [--save FILE] [--plugin P]\n"
    "       tesselor-host editor [--screenshot OUT.png] [--click X,Y]... [--drag X,Y,DX,DY]...\n"
    "                            [--set NAME=VALUE]... [--plugin P]          (Windows)\n"
    "       tesselor-host noise OUT.f64 [--seconds S] [--seed N]\n"
    "       tesselor-host compare EXPECTED.f64 ACTUAL.f64 [--limit DB]\n"
    "Audio files (.f64) are headerless interleaved stereo little-endian doubles at 48 kHz.\n"
    "--set takes a parameter by name in the units 'tesselor info' shows; it applies before the\n"
    "first block (render, editor) or before the save (state). --block is 1..65536 (512).\n"
    "editor opens the editor in a window, waits two redraw ticks, sends the clicks and drags in\n"
    "order, waits two ticks, saves the window's pixels and prints the edits the host received.\n"
    "compare fails when the largest difference exceeds the limit, in dB below the expected\n"
    "output's peak (-140). P defaults to $TESSELOR_PLUGIN, then the build's Tesselor.vst3.\n";

int FailWith(const std::string& message) {
    std::fprintf(stderr, "tesselor-host: %s\n", message.c_str());
    return 1;
}

// The words after the command: positional ones, and options with one value each. Options that
// may repeat keep every value in order.
struct Args {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;

    std::string Last(const std::string& name) const {
        std::string value;
        for (const auto& [key, v] : options)
            if (key == name) value = v;
        return value;
    }
    std::vector<std::string> All(const std::string& name) const {
        std::vector<std::string> values;
        for (const auto& [key, v] : options)
            if (key == name) values.push_back(v);
        return values;
    }
};

bool ParseArgs(const std::vector<std::string>& words, const std::vector<std::string>& known,
               Args* args, std::string* error) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind("--", 0) != 0) {
            args->positional.push_back(word);
            continue;
        }
        if (std::find(known.begin(), known.end(), word) == known.end()) {
            *error = "unknown option " + word;
            return false;
        }
        if (i + 1 >= words.size()) {
            *error = word + " needs a value";
            return false;
        }
        args->options.emplace_back(word, words[++i]);
    }
    return true;
}

// "X,Y" or "X,Y,DX,DY": `count` whole numbers.
bool ParseInts(const std::string& text, int count, int* values) {
    const char* p = text.c_str();
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p || v < -100000 || v > 100000) return false;
        values[i] = static_cast<int>(v);
        p = end;
        if (i + 1 < count) {
            if (*p != ',') return false;
            ++p;
        }
    }
    return *p == 0;
}

// The module and one instance of its effect, with --set applied to the controller and queued for
// the first block.
struct Session {
    std::unique_ptr<PluginModule> module;
    std::unique_ptr<HostedPlugin> plugin;
    ParamChanges firstBlock;

    bool Open(const Args& args, std::string* error) {
        const std::string given = args.Last("--plugin");
        module = PluginModule::Open(given.empty() ? DefaultBundle() : given, error);
        if (!module) return false;
        plugin = HostedPlugin::Create(module->Factory(), error);
        return plugin != nullptr;
    }
    bool Apply(const Args& args, std::string* error) {
        PluginSettings settings("", "", args.All("--set"), false);
        return settings.Read(error) && settings.Apply(*plugin, &firstBlock, error);
    }
    ~Session() {
        plugin.reset();  // before the module that holds its code
        module.reset();
    }
};

int RunRender(const std::vector<std::string>& words) {
    Args args;
    std::string error;
    if (!ParseArgs(words, {"--block", "--set", "--plugin"}, &args, &error)) return FailWith(error);
    if (args.positional.size() != 2)
        return FailWith("render wants IN.f64 OUT.f64\n" + std::string(kUsage));
    int block = kDefaultBlock;
    if (const std::string b = args.Last("--block"); !b.empty()) {
        if (!ParseInts(b, 1, &block) || block < 1 || block > kMaxBlock)
            return FailWith("--block wants 1.." + std::to_string(kMaxBlock) + ", got " + b);
    }
    RawStereo in;
    if (!ReadRawStereo(args.positional[0], &in, &error)) return FailWith(error);
    Session s;
    if (!s.Open(args, &error) || !s.Apply(args, &error)) return FailWith(error);
    if (!s.plugin->Prepare(kRateHz, block, 2, &error, true)) return FailWith(error);

    RawStereo out;
    out.left.assign(in.left.size(), 0.0);
    out.right.assign(in.right.size(), 0.0);
    for (int start = 0; start < in.Frames(); start += block) {
        const int frames = std::min(block, in.Frames() - start);
        const double* inputs[2] = {&in.left[start], &in.right[start]};
        double* outputs[2] = {&out.left[start], &out.right[start]};
        if (!s.plugin->Process(inputs, outputs, frames, start == 0 ? &s.firstBlock : nullptr))
            return FailWith("the plug-in failed to process the block at frame " +
                            std::to_string(start));
    }
    if (!WriteRawStereo(args.positional[1], out, &error)) return FailWith(error);
    return 0;
}

int RunState(const std::vector<std::string>& words) {
    Args args;
    std::string error;
    if (!ParseArgs(words, {"--load", "--save", "--set", "--plugin"}, &args, &error))
        return FailWith(error);
    if (!args.positional.empty()) return FailWith("state takes no file but --load and --save");
    Session s;
    if (!s.Open(args, &error)) return FailWith(error);
    if (const std::string load = args.Last("--load"); !load.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(load, &bytes)) return FailWith("cannot read " + load);
        if (!s.plugin->LoadState(bytes)) return FailWith(load + ": not a state this plug-in saved");
    }
    if (!s.Apply(args, &error)) return FailWith(error);
    for (const HostedParam& p : s.plugin->Params()) {
        const double normal = s.plugin->Normalized(p.id);
        std::printf("%u %s = %s%s%s (%.6f)\n", p.id, p.title.c_str(),
                    s.plugin->ValueText(p.id, normal).c_str(), p.units.empty() ? "" : " ",
                    p.units.c_str(), normal);
    }
    if (const std::string save = args.Last("--save"); !save.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!s.plugin->SaveState(&bytes)) return FailWith("the plug-in gave no state");
        std::ofstream out(save, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) return FailWith("cannot write " + save);
    }
    return 0;
}

int RunEditor(const std::vector<std::string>& words) {
#ifdef _WIN32
    Args args;
    std::string error;
    if (!ParseArgs(words, {"--screenshot", "--click", "--drag", "--set", "--plugin"}, &args,
                   &error))
        return FailWith(error);
    if (!args.positional.empty()) return FailWith("editor takes options only");
    for (const auto& [key, value] : args.options) {
        int numbers[4];
        if ((key == "--click" && !ParseInts(value, 2, numbers)) ||
            (key == "--drag" && !ParseInts(value, 4, numbers)))
            return FailWith(key + " wants " + (key == "--click" ? "X,Y" : "X,Y,DX,DY") + ", got " +
                            value);
    }
    Session s;
    if (!s.Open(args, &error) || !s.Apply(args, &error)) return FailWith(error);
    EditRecorder recorder;
    s.plugin->Controller()->setComponentHandler(&recorder);
    // Settings reach the plug-in, and its editor, through the processor, as a DAW sends them.
    if (!s.plugin->Prepare(kRateHz, kDefaultBlock, 2, &error, true)) return FailWith(error);
    double silence[2] = {};
    const double* inputs[2] = {&silence[0], &silence[1]};
    double* outputs[2] = {&silence[0], &silence[1]};
    if (!s.plugin->Process(inputs, outputs, 0, &s.firstBlock))
        return FailWith("the plug-in refused the settings block");

    std::unique_ptr<HostEditorWindow> window =
        HostEditorWindow::Open(s.plugin->Controller(), &error);
    if (!window) return FailWith(error);
    std::printf("editor %dx%d\n", window->Width(), window->Height());
    if (!window->WaitForTicks(kTicksToWait, kTickTimeoutMs))
        return FailWith("the editor's redraw timer did not run");
    for (const auto& [key, value] : args.options) {
        int n[4] = {};
        if (key == "--click") {
            ParseInts(value, 2, n);
            window->Click(n[0], n[1]);
        } else if (key == "--drag") {
            ParseInts(value, 4, n);
            window->Drag(n[0], n[1], n[2], n[3]);
        }
    }
    if (!window->WaitForTicks(kTicksToWait, kTickTimeoutMs))
        return FailWith("the editor's redraw timer did not run");
    if (const std::string path = args.Last("--screenshot"); !path.empty()) {
        std::unique_ptr<raster::MemBitmap> pixels = window->Capture();
        if (!pixels) return FailWith("cannot read the window's pixels");
        const raster::PngWriteStatus status = raster::WritePngToFile(pixels.get(), path.c_str());
        if (status != raster::PngWriteStatus::kOk)
            return FailWith("cannot save " + path + ": " + raster::DescribePngWriteStatus(status));
    }
    window.reset();
    s.plugin->Controller()->setComponentHandler(nullptr);
    for (const std::string& edit : recorder.Edits()) std::printf("%s\n", edit.c_str());
    return 0;
#else
    (void)words;
    return FailWith("the editor command needs the Windows build (its window is an HWND)");
#endif
}

// Seeded white noise at half full scale, the same on every system: xorshift64* bits mapped to
// [-0.5, 0.5) without floating-point library calls.
int RunNoise(const std::vector<std::string>& words) {
    Args args;
    std::string error;
    if (!ParseArgs(words, {"--seconds", "--seed"}, &args, &error)) return FailWith(error);
    if (args.positional.size() != 1) return FailWith("noise wants OUT.f64");
    double seconds = 2.0;
    if (const std::string t = args.Last("--seconds");
        !t.empty() && (!ParseNumber(t, &seconds) || seconds <= 0.0 || seconds > 3600.0))
        return FailWith("--seconds wants a duration up to an hour, got " + t);
    int seed = 1;
    if (const std::string t = args.Last("--seed"); !t.empty() && !ParseInts(t, 1, &seed))
        return FailWith("--seed wants a whole number, got " + t);
    std::uint64_t state = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(seed);
    auto next = [&state] {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        const std::uint64_t bits = state * 0x2545F4914F6CDD1Dull;
        return static_cast<double>(bits >> 11) * 0x1.0p-53 - 0.5;
    };
    RawStereo audio;
    const auto frames = static_cast<std::size_t>(seconds * kRateHz);
    for (std::size_t i = 0; i < frames; ++i) {
        audio.left.push_back(next());
        audio.right.push_back(next());
    }
    return WriteRawStereo(args.positional[0], audio, &error) ? 0 : FailWith(error);
}

int RunCompare(const std::vector<std::string>& words) {
    Args args;
    std::string error;
    if (!ParseArgs(words, {"--limit"}, &args, &error)) return FailWith(error);
    if (args.positional.size() != 2) return FailWith("compare wants EXPECTED.f64 ACTUAL.f64");
    double limitDb = kDefaultLimitDb;
    if (const std::string t = args.Last("--limit"); !t.empty() && !ParseNumber(t, &limitDb))
        return FailWith("--limit wants a number of dB, got " + t);
    RawStereo expected, actual;
    if (!ReadRawStereo(args.positional[0], &expected, &error) ||
        !ReadRawStereo(args.positional[1], &actual, &error))
        return FailWith(error);
    if (expected.Frames() != actual.Frames())
        return FailWith("the files differ in length: " + std::to_string(expected.Frames()) +
                        " and " + std::to_string(actual.Frames()) + " frames");
    double peak = 0.0, worst = 0.0;
    long differing = 0;
    bool finite = true;
    for (const auto& [e, a] :
         {std::pair{&expected.left, &actual.left}, std::pair{&expected.right, &actual.right}}) {
        for (std::size_t i = 0; i < e->size(); ++i) {
            finite = finite && std::isfinite((*e)[i]) && std::isfinite((*a)[i]);
            peak = std::max(peak, std::fabs((*e)[i]));
            const double d = std::fabs((*e)[i] - (*a)[i]);
            worst = std::max(worst, d);
            differing += d != 0.0;
        }
    }
    if (!finite) return FailWith("a file holds samples that are not finite numbers");
    if (worst == 0.0) {
        std::printf("identical: %d frames\n", expected.Frames());
        return 0;
    }
    const double relativeDb = peak > 0.0 ? 20.0 * std::log10(worst / peak) : 0.0;
    std::printf("%ld samples differ; largest difference %.3g, %.1f dB below the peak of %.3g\n",
                differing, worst, -relativeDb, peak);
    if (peak == 0.0 || relativeDb > limitDb)
        return FailWith("the difference exceeds the limit of " + std::to_string(-limitDb) +
                        " dB below the peak");
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& words);
};

const Command kCommands[] = {
    {"render", RunRender}, {"state", RunState},     {"editor", RunEditor},
    {"noise", RunNoise},   {"compare", RunCompare},
};

}  // namespace

}  // namespace tesselor::tools

int main(int argc, char** argv) {
    using namespace tesselor::tools;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    const std::string name = argv[1];
    const std::vector<std::string> words(argv + 2, argv + argc);
    try {
        for (const Command& command : kCommands) {
            if (name == command.name) return command.run(words);
        }
        return FailWith("unknown command '" + name + "'\n" + kUsage);
    } catch (const std::bad_alloc&) {
        return FailWith("out of memory");
    } catch (const std::exception& e) {
        return FailWith(e.what());
    }
}
