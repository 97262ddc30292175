// The command-line host, run as a user runs it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace tesselor::tools::test {
namespace {

// A strict reader of the JSON grammar, only to say whether a text is valid JSON.
class JsonCheck {
public:
    explicit JsonCheck(const std::string& text) : _t(text) {}
    bool Valid() { return Value() && (Space(), _i == _t.size()); }

private:
    void Space() {
        while (_i < _t.size() && std::strchr(" \t\r\n", _t[_i])) ++_i;
    }
    bool Eat(char c) {
        Space();
        return _i < _t.size() && _t[_i] == c && ++_i;
    }
    bool Value() {
        Space();
        if (_i >= _t.size()) return false;
        if (_t[_i] == '{' || _t[_i] == '[') return Members(_t[_i] == '{');
        if (_t[_i] == '"') return String();
        for (const char* word : {"true", "false", "null"}) {
            if (_t.compare(_i, std::strlen(word), word) == 0) return (_i += std::strlen(word));
        }
        static const std::regex kNumber(R"(-?(0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?)");
        std::smatch m;
        if (!std::regex_search(_t.cbegin() + _i, _t.cend(), m, kNumber,
                               std::regex_constants::match_continuous))
            return false;
        _i += m.length();
        return true;
    }
    bool Members(bool keyed) {
        const char close = keyed ? '}' : ']';
        ++_i;
        if (Eat(close)) return true;
        do {
            if (keyed && !(Space(), String() && Eat(':'))) return false;
            if (!Value()) return false;
        } while (Eat(','));
        return Eat(close);
    }
    bool String() {
        if (_i >= _t.size() || _t[_i++] != '"') return false;
        while (_i < _t.size() && _t[_i] != '"') {
            const auto c = static_cast<unsigned char>(_t[_i++]);
            if (c < 0x20 || c >= 0x80) return false;  // the tool escapes all but ASCII
            if (c != '\\') continue;
            if (_i >= _t.size()) return false;
            const char e = _t[_i++];
            if (e == 'u') {
                for (int k = 0; k < 4; ++k, ++_i) {
                    if (_i >= _t.size() || !std::isxdigit(static_cast<unsigned char>(_t[_i])))
                        return false;
                }
            } else if (!std::strchr("\"\\/bfnrt", e)) {
                return false;
            }
        }
        return _i++ < _t.size();
    }

    const std::string& _t;
    std::size_t _i = 0;
};

TEST(TesselorCli, InfoListsClassBusesAndParameters) {
    const CliResult r = RunCli(std::string("info ") + TESSELOR_TEST_BUNDLE);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* expected : {"Test Plugin", "\"Main Input\", 2 channels", "Bypass", "Gain",
                                 "0.00 .. 2.00", "1.00", "54657373656C6F7254657374506C7567"})
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
}

TEST(TesselorCli, InfoJsonIsValidAndCarriesTheParameterTable) {
    const CliResult r = RunCli(std::string("info --json ") + TESSELOR_TEST_BUNDLE);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(JsonCheck(r.output).Valid()) << r.output;
    // Gain: id 0, 0..2 "x", default 1; the class and bus as scripts look them up.
    for (const char* expected :
         {R"("id": "54657373656C6F7254657374506C7567")", R"("name": "Test Plugin")",
          R"("direction": "output")", R"("channels": 2)",
          R"({
      "id": 0,
      "name": "Gain",
      "units": "x",
      "stepCount": 0,
      "automatable": true,
      "readOnly": false,
      "bypass": false,
      "list": false,
      "min": 0,
      "minText": "0.00",
      "max": 2,
      "maxText": "2.00",
      "default": 1,
      "defaultText": "1.00",
      "current": 1,
      "currentText": "1.00",
      "defaultNormalized": 0.5,
      "currentNormalized": 0.5
    })",
          R"("bypass": true)"})
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
}

TEST(TesselorCli, RendersMonoAndStereoInTheInputsFormat) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<float> in(3000 * channels);
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<float>((i % 97) / 97.0 - 0.5);
        const std::string inPath = Scratch("in.wav");
        const std::string outPath = Scratch("out.wav");
        WriteAudio(inPath, channels, in, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        // Gain 0.5, in the plug-in's own display units; a small block forces many process calls.
        const CliResult r = RunCli("render " + inPath + " " + outPath + TestPlugin() +
                                   " --set gain=0.5 --block 100");
        ASSERT_EQ(r.status, 0) << r.output;
        SF_INFO info;
        const std::vector<float> out = ReadAudio(outPath, &info);
        EXPECT_EQ(info.channels, channels);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        ASSERT_EQ(out.size(), in.size());
        for (std::size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], in[i] * 0.5f) << i;
    }
}

TEST(TesselorCli, BypassStateFilesAndOutputExtension) {
    std::vector<float> in(2 * 500, 0.25f);
    const std::string inPath = Scratch("in2.wav");
    WriteAudio(inPath, 2, in, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    const std::string state = Scratch("state.bin");
    CliResult r = RunCli("render " + inPath + " " + Scratch("o.flac") + TestPlugin() +
                         " --set Gain=2 --bypass --save-state " + state);
    ASSERT_EQ(r.status, 0) << r.output;
    SF_INFO info;
    std::vector<float> out = ReadAudio(Scratch("o.flac"), &info);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_NEAR(out[10], 0.25f, 1e-6);  // bypassed

    r = RunCli("render " + inPath + " " + Scratch("o2.wav") + TestPlugin() + " --state " + state);
    ASSERT_EQ(r.status, 0) << r.output;
    out = ReadAudio(Scratch("o2.wav"), &info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    ASSERT_FALSE(out.empty());
    EXPECT_NEAR(out[10], 0.25f, 1e-6);  // the saved state was bypassed, and stays so
}

TEST(TesselorCli, FailsWithOneClearLine) {
    const std::string inPath = Scratch("in3.wav");
    WriteAudio(inPath, 2, std::vector<float>(200, 0.1f), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    WriteAudio(Scratch("quad.wav"), 4, std::vector<float>(400, 0.1f),
               SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::string render = "render " + inPath + " ";
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"render /nonexistent.wav " + Scratch("x.wav") + TestPlugin(), "no such file"},
        {render + Scratch("x.wav") + TestPlugin() + " --set Nope=1", "unknown parameter 'Nope'"},
        {render + Scratch("x.wav") + TestPlugin() + " --set Gain=3", "out of range (0.00 .. 2.00)"},
        {render + Scratch("x.wav") + TestPlugin() + " --set Gain=loud", "not a value of Gain"},
        {render + Scratch("x.wav") + TestPlugin() + " --block 0", "--block"},
        {render + Scratch("x.wav") + TestPlugin() + " --state " + inPath,
         "not a state this plug-in saved"},
        {"render " + Scratch("quad.wav") + " " + Scratch("x.wav") + TestPlugin(), "4 channels"},
        {render + Scratch("x.wav") + " --plugin /nonexistent.vst3", "no plug-in at"},
        {render + Scratch("x.xyz") + TestPlugin(), "'.xyz' is no audio format"},
        {render + Scratch("x.wav") + TestPlugin() + " --save-state " + Scratch("x.wav"),
         "named for two outputs"},
        {render + std::string(TESSELOR_TEST_SCRATCH) + TestPlugin(), "is a folder"},
        {render + Scratch("x.wav") + " " + Scratch("y.wav") + TestPlugin(), "--out-dir"},
        {"frobnicate", "unknown command"},
    };
    std::filesystem::remove(Scratch("x.xyz"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliResult r = RunCli(c.args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.output.rfind("tesselor: ", 0), 0u) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(Scratch("x.xyz")));
}

TEST(TesselorCli, BatchRendersEveryFileItCanAndReportsTheOthers) {
    namespace fs = std::filesystem;
    const std::string inDir = Scratch("batch-in");
    const std::string outDir = Scratch("batch-out/new");  // made by the run
    fs::remove_all(Scratch("batch-out"));
    fs::create_directories(inDir + "/other");
    const std::vector<float> mono(700, 0.5f);
    const std::vector<float> stereo(2 * 900, -0.25f);
    WriteAudio(inDir + "/a.wav", 1, mono, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    WriteBytes(inDir + "/b.wav", {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
    WriteAudio(inDir + "/c.aiff", 2, stereo, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    WriteAudio(inDir + "/other/a.wav", 1, mono, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

    const CliResult r =
        RunCli("render " + inDir + "/a.wav " + inDir + "/b.wav " + inDir + "/c.aiff " + inDir +
               "/other/a.wav --out-dir " + outDir + TestPlugin() + " --set Gain=0.5");
    EXPECT_NE(r.status, 0) << r.output;
    for (const char* expected :
         {"[1/4] ", "tesselor: [2/4] ", "[3/4] ", "tesselor: [4/4] ",
          "already an output of this run", "rendered 2 of 4 files", "2 failed"})
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
    SF_INFO info;
    const std::vector<float> a = ReadAudio(outDir + "/a.wav", &info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(a.size(), mono.size());
    EXPECT_EQ(a[100], 0.25f);
    const std::vector<float> c = ReadAudio(outDir + "/c.aiff", &info);
    EXPECT_EQ(info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    ASSERT_EQ(c.size(), stereo.size());
    EXPECT_NEAR(c[101], -0.125f, 1e-4);
    EXPECT_FALSE(fs::exists(outDir + "/b.wav"));

    // Into the inputs' own folder: each file is replaced by its rendered self, once.
    const CliResult again = RunCli("render " + inDir + "/a.wav " + inDir + "/c.aiff --out-dir " +
                                   inDir + TestPlugin() + " --set Gain=0.5");
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_NE(again.output.find("rendered 2 of 2 files"), std::string::npos) << again.output;
    // a.wav holds floats, whose PEAK chunk carries the time it was written: compare its audio.
    EXPECT_EQ(ReadAudio(inDir + "/a.wav", &info), a);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(ReadBytes(inDir + "/c.aiff"), ReadBytes(outDir + "/c.aiff"));
    EXPECT_TRUE(StrayTemporaries(inDir).empty());
}

TEST(TesselorCli, ExampleAudioIsAShortStereoFile) {
    const std::string path = Scratch("example.wav");
    ASSERT_EQ(std::system((std::string(TESSELOR_EXAMPLE_AUDIO) + " " + path + " 2").c_str()), 0);
    SF_INFO info;
    const std::vector<float> data = ReadAudio(path, &info);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 2 * 48000);
    float peak = 0.0f;
    for (float s : data) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.2f);
    EXPECT_LE(peak, 1.0f);
}

}  // namespace
}  // namespace tesselor::tools::test
