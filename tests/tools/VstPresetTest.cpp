// .vstpreset files: read as DAWs write them, written so that DAWs read them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace tesselor::tools::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const char kTestPluginClass[] = "54657373656C6F7254657374506C7567";

void Append(Bytes* out, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}
void AppendLittle(Bytes* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
std::uint64_t ReadLittle(const Bytes& in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in.at(at + i);
    return value;
}

struct Chunk {
    const char* id;
    Bytes data;
};

// A preset laid out as the format describes: header, the chunks' data, then the chunk list.
Bytes BuildPreset(const char* classId, const std::vector<Chunk>& chunks) {
    Bytes file;
    Append(&file, "VST3", 4);
    AppendLittle(&file, 1, 4);
    Append(&file, classId, 32);
    AppendLittle(&file, 0, 8);  // list offset, filled in below
    std::vector<std::uint64_t> offsets;
    for (const Chunk& c : chunks) {
        offsets.push_back(file.size());
        Append(&file, c.data.data(), c.data.size());
    }
    const std::uint64_t list = file.size();
    for (int i = 0; i < 8; ++i) file[40 + i] = static_cast<std::uint8_t>(list >> (8 * i));
    Append(&file, "List", 4);
    AppendLittle(&file, chunks.size(), 4);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        Append(&file, chunks[i].id, 4);
        AppendLittle(&file, offsets[i], 8);
        AppendLittle(&file, chunks[i].data.size(), 8);
    }
    return file;
}

// The test plug-in's state: its eight parameters as little-endian doubles, then the bypass word.
Bytes TestPluginState(double gain) {
    const double values[8] = {gain, 0.725, 0.0, 2.0, 0.0, 0.0, 0.0, 0.0};
    Bytes state;
    for (double v : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        AppendLittle(&state, bits, 8);
    }
    AppendLittle(&state, 0, 4);
    return state;
}

// Renders a constant 0.5 through the test plug-in with `args`; the first output sample, or -1.
// `tag` keeps the files of tests that CTest runs side by side apart.
float RenderHalf(const std::string& tag, const std::string& args) {
    const std::string in = Scratch(tag + "-in.wav");
    const std::string out = Scratch(tag + "-out.wav");
    WriteAudio(in, 2, std::vector<float>(2 * 300, 0.5f), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const CliResult r = RunCli("render " + in + " " + out + TestPlugin() + " " + args);
    EXPECT_EQ(r.status, 0) << r.output;
    SF_INFO info;
    const std::vector<float> samples = ReadAudio(out, &info);
    return r.status == 0 && !samples.empty() ? samples[0] : -1.0f;
}

TEST(VstPreset, LoadsAPresetLaidOutAsTheFormatDescribes) {
    // An 'Info' chunk first, an empty component state, and the state in the controller chunk,
    // as hosts save single-component effects.
    const std::string xml = "<?xml version=\"1.0\"?><MetaInfo></MetaInfo>";
    const Bytes preset = BuildPreset(
        kTestPluginClass,
        {{"Info", Bytes(xml.begin(), xml.end())}, {"Comp", {}}, {"Cont", TestPluginState(0.25)}});
    WriteBytes(Scratch("built.vstpreset"), preset);
    EXPECT_EQ(RenderHalf("built", "--preset " + Scratch("built.vstpreset")), 0.125f);
    // Class IDs in lower case are the same class.
    std::string lower = kTestPluginClass;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    WriteBytes(Scratch("lower.vstpreset"),
               BuildPreset(lower.c_str(), {{"Cont", TestPluginState(1.5)}}));
    EXPECT_EQ(RenderHalf("built", "--preset " + Scratch("lower.vstpreset") + " --set Gain=0.5"),
              0.25f);
    // A host on Windows prints the first three fields of the same ID as little-endian words.
    WriteBytes(Scratch("windows.vstpreset"),
               BuildPreset("737365546C65726F54657374506C7567", {{"Cont", TestPluginState(0.5)}}));
    EXPECT_EQ(RenderHalf("built", "--preset " + Scratch("windows.vstpreset")), 0.25f);
}

TEST(VstPreset, WritesAPresetThatLoadsBack) {
    const std::string path = Scratch("saved.vstpreset");
    EXPECT_EQ(RenderHalf("saved", "--set Gain=1.5 --save-preset " + path), 0.75f);
    const Bytes file = ReadBytes(path);
    ASSERT_GT(file.size(), 48u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "VST3");
    EXPECT_EQ(ReadLittle(file, 4, 4), 1u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 40), kTestPluginClass);
    // The list: 'Comp' (empty: the effect keeps its state in the controller), then 'Cont'.
    const std::size_t list = ReadLittle(file, 40, 8);
    ASSERT_EQ(list + 8 + 2 * 20, file.size());
    EXPECT_EQ(std::string(file.begin() + list, file.begin() + list + 4), "List");
    EXPECT_EQ(ReadLittle(file, list + 4, 4), 2u);
    EXPECT_EQ(std::string(file.begin() + list + 8, file.begin() + list + 12), "Comp");
    EXPECT_EQ(ReadLittle(file, list + 20, 8), 0u);
    EXPECT_EQ(std::string(file.begin() + list + 28, file.begin() + list + 32), "Cont");
    const std::size_t contAt = ReadLittle(file, list + 32, 8);
    EXPECT_EQ(ReadLittle(file, list + 40, 8), 8u * 8 + 4);
    double gain = 0.0;
    std::memcpy(&gain, file.data() + contAt, sizeof gain);
    EXPECT_EQ(gain, 1.5);

    EXPECT_EQ(RenderHalf("saved", "--preset " + path), 0.75f);
}

TEST(VstPreset, TesselorPresetsCarryTheirStateInTheControllerChunk) {
#ifndef TESSELOR_BUNDLE
    GTEST_SKIP() << "built without the Tesselor bundle";
#else
    const std::string in = Scratch("tesselor-in.wav");
    WriteAudio(in, 2, std::vector<float>(2 * 2000, 0.25f), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const std::string plugin = std::string(" --plugin ") + TESSELOR_BUNDLE;
    const std::string path = Scratch("tesselor.vstpreset");
    CliResult r = RunCli("render " + in + " " + Scratch("t1.wav") + plugin +
                         " --set Gain=-6 --set LGain=0.8 --save-preset " + path);
    ASSERT_EQ(r.status, 0) << r.output;
    const Bytes file = ReadBytes(path);
    ASSERT_GT(file.size(), 48u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 40), "0DE7AEF2DE004E4F4D72766B54736C31");
    const std::size_t list = ReadLittle(file, 40, 8);
    EXPECT_EQ(ReadLittle(file, list + 20, 8), 0u);    // 'Comp'
    EXPECT_EQ(ReadLittle(file, list + 40, 8), 124u);  // 'Cont': 15 doubles and the bypass word

    r = RunCli("render " + in + " " + Scratch("t2.wav") + plugin + " --preset " + path);
    ASSERT_EQ(r.status, 0) << r.output;
    // The same audio (the files' PEAK chunks carry the time they were written).
    SF_INFO info;
    EXPECT_EQ(ReadAudio(Scratch("t1.wav"), &info), ReadAudio(Scratch("t2.wav"), &info));

    r = RunCli("render " + in + " " + Scratch("t3.wav") + TestPlugin() + " --preset " + path);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("a preset for another plug-in (class 0DE7AEF2"), std::string::npos)
        << r.output;
#endif
}

TEST(VstPreset, RefusesDamagedFilesWithOneClearLine) {
    const Bytes good = BuildPreset(kTestPluginClass, {{"Comp", {}}, {"Cont", TestPluginState(1)}});
    Bytes cutList(good.begin(), good.end() - 10);
    Bytes outside = good;
    outside[good.size() - 16] = 0xFF;  // the 'Cont' offset far past the end
    Bytes badClass = good;
    badClass[20] = 'Z';
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "not a VST 3 preset file"},
        {"riff", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, "not a VST 3 preset file"},
        {"cut", cutList, "cut short"},
        {"outside", outside, "outside the file"},
        {"class", badClass, "class ID is not hex"},
        {"no-state", BuildPreset(kTestPluginClass, {{"Info", {'x'}}}), "holds no plug-in state"},
    };
    const std::string in = Scratch("damaged-in.wav");
    WriteAudio(in, 1, std::vector<float>(100, 0.5f), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Scratch(std::string("bad-") + c.name + ".vstpreset");
        WriteBytes(path, c.bytes);
        const CliResult r = RunCli("render " + in + " " + Scratch("never.wav") + TestPlugin() +
                                   " --preset " + path);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.output.rfind("tesselor: " + path + ": ", 0), 0u) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
    }
}

}  // namespace
}  // namespace tesselor::tools::test
