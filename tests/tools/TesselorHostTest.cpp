// The test host, run as its own program against the built Tesselor module: raw 64-bit audio in
// and out, state round trips, its errors, and on Windows the editor in a real window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "plugin/Tesselor.h"
#include "tools/HostServices.h"
#include "tools/RawAudio.h"

#ifdef _WIN32
#include <windows.h>

#include "graphics/Graphics.h"
#include "raster/PngLoader.h"
#else
#include <cstdio>
#endif

namespace tesselor::tools::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

struct HostResult {
    int status = -1;
    std::string output;  // stdout and stderr together
};

std::string Scratch(const std::string& name) {
    return std::string(TESSELOR_TEST_SCRATCH) + "/" + name;
}

// Runs tesselor-host with `args` (no quoting needed: paths hold no spaces), and the built module
// for the commands that load one.
HostResult RunHost(const std::string& args) {
    HostResult r;
    std::string line = "\"" TESSELOR_HOST "\" " + args;
    if (args.rfind("noise", 0) != 0 && args.rfind("compare", 0) != 0)
        line += " --plugin \"" TESSELOR_BUNDLE_UNDER_TEST "\"";
#ifdef _WIN32
    // The output goes to a file the child inherits; no pipe to drain while it runs.
    // One file per test process: ctest runs tests side by side.
    const std::string log =
        Scratch("host-output-" + std::to_string(GetCurrentProcessId()) + ".txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return r;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process = {};
    std::vector<char> command(line.begin(), line.end());
    command.push_back('\0');
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        r.status = static_cast<int>(code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(file);
    std::ifstream in(log, std::ios::binary);
    r.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(log.c_str());
    r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());
#else
    FILE* pipe = popen((line + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return r;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

RawStereo Read(const std::string& path) {
    RawStereo audio;
    std::string error;
    EXPECT_TRUE(ReadRawStereo(path, &audio, &error)) << error;
    return audio;
}

// The equaliser in this process, driven through its VST 3 interfaces as the host drives the
// module: 64-bit stereo at 48 kHz, `block` frames per call, `settings` (id, plain value) in the
// first block.
RawStereo Reference(const RawStereo& in, int block,
                    const std::vector<std::pair<ParamID, double>>& settings) {
    auto* plugin = new plugin::Tesselor();  // reference counted
    IComponent* component = plugin;
    IAudioProcessor* processor = plugin;
    IEditController* controller = plugin;
    HostApplication host;
    component->initialize(&host);
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    processor->setBusArrangements(&stereo, 1, &stereo, 1);
    component->activateBus(kAudio, kInput, 0, true);
    component->activateBus(kAudio, kOutput, 0, true);
    ProcessSetup setup{kOffline, kSample64, block, 48000.0};
    processor->setupProcessing(setup);
    component->setActive(true);
    processor->setProcessing(true);
    ParamChanges changes;
    for (const auto& [id, plain] : settings) {
        const double normal = controller->plainParamToNormalized(id, plain);
        controller->setParamNormalized(id, normal);
        changes.Add(id, normal);
    }
    RawStereo out;
    out.left.resize(in.left.size());
    out.right.resize(in.right.size());
    for (int at = 0; at < in.Frames(); at += block) {
        double* inputs[2] = {const_cast<double*>(&in.left[at]), const_cast<double*>(&in.right[at])};
        double* outputs[2] = {&out.left[at], &out.right[at]};
        AudioBusBuffers inBus, outBus;
        inBus.numChannels = outBus.numChannels = 2;
        inBus.channelBuffers64 = inputs;
        outBus.channelBuffers64 = outputs;
        ProcessData data;
        data.processMode = kOffline;
        data.symbolicSampleSize = kSample64;
        data.numSamples = std::min(block, in.Frames() - at);
        data.numInputs = data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
        data.inputParameterChanges = at == 0 ? &changes : nullptr;
        processor->process(data);
    }
    processor->setProcessing(false);
    component->setActive(false);
    component->terminate();
    plugin->release();
    return out;
}

TEST(TesselorHost, RendersThroughTheModuleExactlyAsTheEngineRunsInProcess) {
    const std::string in = Scratch("noise.f64");
    ASSERT_EQ(RunHost("noise " + in + " --seconds 0.25 --seed 3").status, 0);
    const RawStereo input = Read(in);
    ASSERT_EQ(input.Frames(), 12000);

    // An odd block size, a pot, a switch and the output gain in dB.
    const std::string out = Scratch("rendered.f64");
    const HostResult run = RunHost("render " + in + " " + out +
                                   " --block 300 --set LGain=0.8 --set HPLP=1 --set Gain=-3");
    ASSERT_EQ(run.status, 0) << run.output;
    const RawStereo expected = Reference(input, 300,
                                         {{plugin::kParamLowGain, 0.8},
                                          {plugin::kParamHpLp, 1.0},
                                          {plugin::kParamOutputGain, -3.0}});
    const RawStereo rendered = Read(out);
    EXPECT_EQ(rendered.left, expected.left);
    EXPECT_EQ(rendered.right, expected.right);
    EXPECT_NE(rendered.left, input.left);

    // With the IN switch out, the input comes back bit for bit, channels in place.
    ASSERT_EQ(RunHost("render " + in + " " + out + " --set BY=0").status, 0);
    const RawStereo through = Read(out);
    EXPECT_EQ(through.left, input.left);
    EXPECT_EQ(through.right, input.right);
    const HostResult same = RunHost("compare " + in + " " + out);
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.output, "identical: 12000 frames\n");
}

TEST(TesselorHost, RoundTripsTheStateThroughGetStateAndSetState) {
    const std::string first = Scratch("first.state"), second = Scratch("second.state");
    const HostResult saved = RunHost("state --set LGain=0.8 --set Gain=-6 --save " + first);
    ASSERT_EQ(saved.status, 0) << saved.output;
    EXPECT_NE(saved.output.find("0 LGain = 0.80 (0.800000)\n"), std::string::npos) << saved.output;
    EXPECT_NE(saved.output.find("10 Gain = -6.00 dB (0.250000)\n"), std::string::npos);
    const std::vector<std::uint8_t> bytes = ReadBytes(first);
    ASSERT_EQ(bytes.size(), 124u);
    auto valueAt = [&bytes](int index) {
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[index * 8 + i];
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    };
    EXPECT_EQ(valueAt(plugin::kParamLowGain), 0.8);
    EXPECT_EQ(valueAt(plugin::kParamOutputGain), -6.0);

    // Loaded into a fresh instance and saved again: the same bytes.
    const HostResult loaded = RunHost("state --load " + first + " --save " + second);
    ASSERT_EQ(loaded.status, 0) << loaded.output;
    EXPECT_EQ(ReadBytes(second), bytes);
    EXPECT_NE(loaded.output.find("10 Gain = -6.00 dB"), std::string::npos);
}

TEST(TesselorHost, RefusesWhatItCannotDoWithOneLineAndStatusOne) {
    const std::string odd = Scratch("odd.f64");
    std::ofstream(odd, std::ios::binary) << "twelve bytes";
    const std::string noise = Scratch("short.f64");
    ASSERT_EQ(RunHost("noise " + noise + " --seconds 0.01").status, 0);
    struct Case {
        std::string args, message;
    };
    for (const Case& c : {Case{"render " + odd + " x.f64", "not a whole number of stereo"},
                          Case{"render " + noise + " x.f64 --set Nope=1", "unknown parameter"},
                          Case{"render " + noise + " x.f64 --set Gain=40", "out of range"},
                          Case{"render " + noise + " x.f64 --block 0", "--block wants"},
                          Case{"state --load " + odd, "not a state this plug-in saved"},
                          Case{"compare " + noise + " " + odd, "not a whole number"}}) {
        const HostResult r = RunHost(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << ": " << r.output;
        EXPECT_EQ(r.output.rfind("tesselor-host: ", 0), 0u) << r.output;
    }
}

#ifdef _WIN32

// The colour of every pixel of a PNG file, or of the in-process panel after one tick.
std::vector<uint32_t> Colours(raster::RasterBitmap& b) {
    std::vector<uint32_t> c;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) c.push_back(b.Row(y)[x] & 0xFFFFFFu);
    return c;
}

std::vector<uint32_t> PngColours(const std::string& path) {
    std::unique_ptr<raster::RasterBitmap> image(raster::LoadPngFromFile(path.c_str()));
    return image ? Colours(*image) : std::vector<uint32_t>{};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST(TesselorHost, ShowsTheEditorInAWindowAndReportsTheEditsOfClicksAndDrags) {
    // Untouched: the window shows the golden panel, pixel for pixel; the host heard nothing.
    const std::string fresh = Scratch("editor-fresh.png");
    const HostResult opened = RunHost("editor --screenshot " + fresh);
    ASSERT_EQ(opened.status, 0) << opened.output;
    EXPECT_EQ(Lines(opened.output), (std::vector<std::string>{"editor 774x237"}));
    const std::vector<uint32_t> golden =
        PngColours(std::string(TESSELOR_SOURCE_DIR) + "/tests/plugin/DefaultPanel.png");
    ASSERT_EQ(golden.size(), 774u * 237u);
    EXPECT_TRUE(PngColours(fresh) == golden) << "the window's pixels are in " << fresh;

    // A click on IN and a drag of the low gain knob 53 pixels up (a quarter of its travel).
    const std::string edited = Scratch("editor-edited.png");
    const HostResult r =
        RunHost("editor --click 120,60 --drag 274,137,0,-53 --screenshot " + edited);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<std::string> lines = Lines(r.output);
    ASSERT_GE(lines.size(), 7u) << r.output;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              (std::vector<std::string>{"editor 774x237", "begin 13", "perform 13 0.000000",
                                        "end 13", "begin 0"}));
    EXPECT_EQ(lines[lines.size() - 2], "perform 0 0.750000");
    EXPECT_EQ(lines.back(), "end 0");

    // The window shows what the panel draws for those values.
    auto* plugin = new plugin::Tesselor();
    auto& g = *dynamic_cast<graphics::Graphics*>(plugin->Editor());
    g.SetControlsFromPlugin(plugin::kParamIn, 0.0);
    g.SetControlsFromPlugin(plugin::kParamLowGain, 0.75);
    g.MarkAllDirty();
    g.Tick();
    EXPECT_TRUE(PngColours(edited) == Colours(*g.Surface()))
        << "the window's pixels are in " << edited;
    plugin->release();
}

#endif

}  // namespace
}  // namespace tesselor::tools::test
