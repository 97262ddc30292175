// The command-line host, run as a user runs it.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Result {
    int status = -1;
    std::string output;  // stdout and stderr together
};

Result RunCli(const std::string& args) {
    Result r;
    const std::string command = std::string(TESSELOR_CLI) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    r.status = pclose(pipe);
    return r;
}

std::string Scratch(const char* name) { return std::string(TESSELOR_TEST_SCRATCH) + "/" + name; }

void WriteFile(const std::string& path, int channels, const std::vector<float>& interleaved,
               int format) {
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / channels));
    sf_close(f);
}

std::vector<float> ReadFile(const std::string& path, SF_INFO* info) {
    *info = {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
    if (!f) return {};
    std::vector<float> data(static_cast<size_t>(info->frames * info->channels));
    sf_readf_float(f, data.data(), info->frames);
    sf_close(f);
    return data;
}

const std::string kPlugin = std::string(" --plugin ") + TESSELOR_TEST_BUNDLE;

TEST(TesselorCli, InfoListsClassBusesAndParameters) {
    const Result r = RunCli(std::string("info ") + TESSELOR_TEST_BUNDLE);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* expected :
         {"Test Plugin", "\"Main Input\", 2 channels", "Bypass", "Gain", "0.00 .. 2.00", "1.00"})
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
}

TEST(TesselorCli, RendersMonoAndStereoInTheInputsFormat) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<float> in(3000 * channels);
        for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>((i % 97) / 97.0 - 0.5);
        const std::string inPath = Scratch("in.wav");
        const std::string outPath = Scratch("out.wav");
        WriteFile(inPath, channels, in, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        // Gain 0.5, in the plug-in's own display units; a small block forces many process calls.
        const Result r =
            RunCli("render " + inPath + " " + outPath + kPlugin + " --set gain=0.5 --block 100");
        ASSERT_EQ(r.status, 0) << r.output;
        SF_INFO info;
        const std::vector<float> out = ReadFile(outPath, &info);
        EXPECT_EQ(info.channels, channels);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        ASSERT_EQ(out.size(), in.size());
        for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], in[i] * 0.5f) << i;
    }
}

TEST(TesselorCli, BypassStateFilesAndOutputExtension) {
    std::vector<float> in(2 * 500, 0.25f);
    const std::string inPath = Scratch("in2.wav");
    WriteFile(inPath, 2, in, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    const std::string state = Scratch("state.bin");
    Result r = RunCli("render " + inPath + " " + Scratch("o.flac") + kPlugin +
                      " --set Gain=2 --bypass --save-state " + state);
    ASSERT_EQ(r.status, 0) << r.output;
    SF_INFO info;
    std::vector<float> out = ReadFile(Scratch("o.flac"), &info);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_NEAR(out[10], 0.25f, 1e-6);  // bypassed

    r = RunCli("render " + inPath + " " + Scratch("o2.wav") + kPlugin + " --state " + state);
    ASSERT_EQ(r.status, 0) << r.output;
    out = ReadFile(Scratch("o2.wav"), &info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    ASSERT_FALSE(out.empty());
    EXPECT_NEAR(out[10], 0.25f, 1e-6);  // the saved state was bypassed, and stays so
}

TEST(TesselorCli, FailsWithOneClearLine) {
    const std::string inPath = Scratch("in3.wav");
    WriteFile(inPath, 2, std::vector<float>(200, 0.1f), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    WriteFile(Scratch("quad.wav"), 4, std::vector<float>(400, 0.1f),
              SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"render /nonexistent.wav " + Scratch("x.wav") + kPlugin, "no such file"},
        {"render " + inPath + " " + Scratch("x.wav") + kPlugin + " --set Nope=1",
         "unknown parameter 'Nope'"},
        {"render " + inPath + " " + Scratch("x.wav") + kPlugin + " --set Gain=3",
         "out of range (0.00 .. 2.00)"},
        {"render " + inPath + " " + Scratch("x.wav") + kPlugin + " --set Gain=loud",
         "not a value of Gain"},
        {"render " + inPath + " " + Scratch("x.wav") + kPlugin + " --block 0", "--block"},
        {"render " + inPath + " " + Scratch("x.wav") + kPlugin + " --state " + inPath,
         "not a state this plug-in saved"},
        {"render " + Scratch("quad.wav") + " " + Scratch("x.wav") + kPlugin, "4 channels"},
        {"render " + inPath + " " + Scratch("x.wav") + " --plugin /nonexistent.vst3",
         "no plug-in at"},
        {"frobnicate", "unknown command"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunCli(c.args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.output.rfind("tesselor: ", 0), 0u) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
}

TEST(TesselorCli, ExampleAudioIsAShortStereoFile) {
    const std::string path = Scratch("example.wav");
    ASSERT_EQ(std::system((std::string(TESSELOR_EXAMPLE_AUDIO) + " " + path + " 2").c_str()), 0);
    SF_INFO info;
    const std::vector<float> data = ReadFile(path, &info);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 2 * 48000);
    float peak = 0.0f;
    for (float s : data) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.2f);
    EXPECT_LE(peak, 1.0f);
}

}  // namespace
