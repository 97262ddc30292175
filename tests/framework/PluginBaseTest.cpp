#include "framework/PluginBase.h"

#include <cmath>
#include <cstring>
#include <future>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tesselor::framework {
namespace {

const PluginIdentity kIdentity{"Tesselor",    "", "CopperWireworks", 0x00020000, FourCc("Tsl1"),
                               FourCc("Mrvk")};

// Records every hook call, and whether another thread could have taken PlugMutex meanwhile.
class RecordingPlugin : public PluginBase {
public:
    explicit RecordingPlugin(int params = 15, const char* io = "1-1 2-2", int presets = 1)
        : PluginBase(params, io, presets, kIdentity) {
        for (int i = 0; i < params; ++i) Param(i)->InitRange("p", 0.25, 0.0, 1.0, 0.01);
    }
    void HandleParamChange(int index) override {
        log.push_back("change " + std::to_string(index));
        lockedDuringChange = lockedDuringChange && IsLockedElsewhere();
    }
    void ReportParamValue(int index, double normal) override {
        log.push_back("report " + std::to_string(index) + " " + std::to_string(normal) + " value " +
                      std::to_string(Param(index)->Value()));
    }
    bool IsLockedElsewhere() {
        return std::async(std::launch::async,
                          [this] {
                              const bool free = Mutex().try_lock();
                              if (free) Mutex().unlock();
                              return !free;
                          })
            .get();
    }
    std::vector<std::string> log;
    bool lockedDuringChange = true;
};

class RecordingEditor : public PluginEditor {
public:
    explicit RecordingEditor(std::vector<std::string>* log) : _log(log) {}
    void SetControlsFromPlugin(int index, double normal) override {
        _log->push_back("controls " + std::to_string(index) + " " + std::to_string(normal));
    }
    void SetParameterFromPlugin(int index, double value, bool isNormalised) override {
        _log->push_back("refresh " + std::to_string(index) + " " + std::to_string(value) +
                        (isNormalised ? " normal" : " plain"));
    }
    void PrepareDrawing() override { _log->push_back("prepare"); }

private:
    std::vector<std::string>* _log;
};

TEST(PluginBase, ParsesChannelLayoutsAndAnswersLegalIO) {
    RecordingPlugin plugin;
    ASSERT_EQ(plugin.Layouts().size(), 2u);
    EXPECT_EQ(plugin.InputCount(), 2);
    EXPECT_EQ(plugin.OutputCount(), 2);
    EXPECT_TRUE(plugin.LegalIO(1, 1));
    EXPECT_TRUE(plugin.LegalIO(2, 2));
    EXPECT_FALSE(plugin.LegalIO(1, 2));
    EXPECT_FALSE(plugin.LegalIO(2, 1));
    EXPECT_TRUE(plugin.LegalIO(-1, 2));
    EXPECT_TRUE(plugin.LegalIO(-1, -1));
    EXPECT_FALSE(plugin.IsInputConnected(0));

    RecordingPlugin odd(1, "x-2 3", 1);  // reading stops at the first unreadable number: 0-0, 3-0
    ASSERT_EQ(odd.Layouts().size(), 2u);
    EXPECT_TRUE(odd.LegalIO(0, 0));
    EXPECT_TRUE(odd.LegalIO(3, 0));
    EXPECT_EQ(odd.InputCount(), 3);
    EXPECT_EQ(odd.OutputCount(), 0);

    RecordingPlugin none(1, nullptr, 1);
    EXPECT_EQ(none.OutputCount(), 0);
}

TEST(PluginBase, SerialisesEveryParameterAfterWhatTheChunkHolds) {
    RecordingPlugin plugin;
    plugin.Param(3)->SetPlain(0.5);
    StateChunk chunk;
    ASSERT_TRUE(plugin.SerializeParams(chunk));
    ASSERT_EQ(chunk.Size(), 120);
    const std::uint8_t half[8] = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
    EXPECT_EQ(std::memcmp(chunk.Data() + 24, half, 8), 0);

    StateChunk prefixed;
    prefixed.AppendDouble(-1.0);
    ASSERT_TRUE(plugin.SerializeParams(prefixed));
    ASSERT_EQ(prefixed.Size(), 128);
    EXPECT_EQ(std::memcmp(prefixed.Data() + 8, chunk.Data(), 120), 0);
}

TEST(PluginBase, UnserialisesBitForBitAndNotifiesEveryParameter) {
    RecordingPlugin source;
    for (int i = 0; i < 15; ++i) source.Param(i)->SetPlain(0.013 * i + 0.1);
    StateChunk chunk;
    source.SerializeParams(chunk);

    RecordingPlugin target;
    EXPECT_EQ(target.UnserializeParams(chunk, 0), 120);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(target.Param(i)->Value(), source.Param(i)->Value());
    ASSERT_EQ(target.log.size(), 15u);
    EXPECT_EQ(target.log.front(), "change 0");
    EXPECT_EQ(target.log.back(), "change 14");
    EXPECT_TRUE(target.lockedDuringChange);
}

TEST(PluginBase, ShortChunkLoadsWhatIsThereAndDefaultsTheNextByTheClamp) {
    RecordingPlugin plugin;
    plugin.Param(1)->InitRange("LFreq", 0.725, 0.1, 0.983, 0.01);
    for (int i = 2; i < 15; ++i) plugin.Param(i)->SetPlain(0.75);
    StateChunk chunk;
    chunk.AppendDouble(0.5);
    chunk.AppendDouble(0.9);
    chunk.Resize(12);

    EXPECT_EQ(plugin.UnserializeParams(chunk, 0), -1);
    EXPECT_EQ(plugin.Param(0)->Value(), 0.5);
    EXPECT_EQ(plugin.Param(1)->Value(), 0.1);  // 0.0 clamped into 0.1..0.983
    for (int i = 2; i < 15; ++i) EXPECT_EQ(plugin.Param(i)->Value(), 0.75);
    EXPECT_EQ(plugin.log.size(), 15u);

    plugin.log.clear();
    EXPECT_EQ(plugin.UnserializeParams(chunk, 400), -1);  // start past the end
    EXPECT_EQ(plugin.Param(0)->Value(), 0.0);
    EXPECT_EQ(plugin.Param(1)->Value(), 0.1);
    EXPECT_EQ(plugin.log.size(), 15u);
}

TEST(PluginBase, LoadedValuesAreClampedAndNonFiniteOnesBecomeDefaults) {
    RecordingPlugin plugin;
    StateChunk chunk;
    chunk.AppendDouble(5.0);
    chunk.AppendDouble(std::numeric_limits<double>::quiet_NaN());
    chunk.AppendDouble(std::numeric_limits<double>::infinity());
    chunk.AppendDouble(-std::numeric_limits<double>::infinity());
    for (int i = 4; i < 15; ++i) chunk.AppendDouble(0.5);
    EXPECT_EQ(plugin.UnserializeParams(chunk, 0), 120);
    EXPECT_EQ(plugin.Param(0)->Value(), 1.0);
    EXPECT_EQ(plugin.Param(1)->Value(), 0.25);
    EXPECT_EQ(plugin.Param(2)->Value(), 0.25);
    EXPECT_EQ(plugin.Param(3)->Value(), 0.25);
}

TEST(PluginBase, DefaultPresetRestoresDefaults) {
    RecordingPlugin plugin;
    plugin.CaptureDefaultPreset("-");
    EXPECT_STREQ(plugin.Preset(0)->name, "-");
    EXPECT_EQ(plugin.Preset(0)->state.Size(), 120);
    for (int i = 0; i < 15; ++i) plugin.Param(i)->SetPlain(0.9);
    EXPECT_TRUE(plugin.LoadPreset(0));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(plugin.Param(i)->Value(), 0.25);
    EXPECT_EQ(plugin.log.size(), 15u);
    EXPECT_FALSE(plugin.LoadPreset(1));
    EXPECT_FALSE(plugin.LoadPreset(-1));
    EXPECT_EQ(plugin.CurrentPresetIndex(), 0);
}

TEST(PluginBase, NeverUsedSlotsBecomeNumberedUserPresets) {
    RecordingPlugin plugin(2, "2-2", 3);
    plugin.CaptureDefaultPreset("-");
    plugin.Param(0)->SetPlain(0.75);
    EXPECT_TRUE(plugin.LoadPreset(2));
    EXPECT_STREQ(plugin.Preset(2)->name, "user preset 1");
    EXPECT_EQ(plugin.CurrentPresetIndex(), 2);
    EXPECT_TRUE(plugin.LoadPreset(1));
    EXPECT_STREQ(plugin.Preset(1)->name, "user preset 2");

    plugin.Param(0)->SetPlain(0.0);
    EXPECT_TRUE(plugin.LoadPreset(2));  // now initialised: loads what it stored
    EXPECT_EQ(plugin.Param(0)->Value(), 0.75);
}

TEST(PluginBase, EditorEditsApplyReportThenNotifyUnderTheMutex) {
    RecordingPlugin plugin;
    plugin.Param(11)->SetKind(kParamStepped);
    plugin.Param(11)->InitRange("Bell", 0.0, 0.0, 1.0, 1.0);
    plugin.SetParamFromEditor(11, 0.5);
    ASSERT_EQ(plugin.log.size(), 2u);
    EXPECT_EQ(plugin.log[0], "report 11 0.500000 value 1.000000");
    EXPECT_EQ(plugin.log[1], "change 11");
    EXPECT_TRUE(plugin.lockedDuringChange);

    plugin.SetParamFromEditor(99, 0.5);  // outside the registry: ignored
    EXPECT_EQ(plugin.log.size(), 2u);
}

TEST(PluginBase, AttachedEditorHearsOfValuesAndPresetLoads) {
    RecordingPlugin plugin(2, "2-2", 1);
    plugin.CaptureDefaultPreset("-");
    std::vector<std::string> editorLog;
    plugin.AttachEditor(std::make_unique<RecordingEditor>(&editorLog));
    EXPECT_EQ(editorLog,
              (std::vector<std::string>{"controls 0 0.250000", "controls 1 0.250000", "prepare"}));
    editorLog.clear();
    plugin.LoadPreset(0);
    EXPECT_EQ(editorLog,
              (std::vector<std::string>{"refresh 0 0.250000 plain", "refresh 1 0.250000 plain"}));
}

TEST(PluginBase, PassesAudioThroughAndSilencesOutputsWithoutInput) {
    RecordingPlugin plugin(1, "1-2", 1);
    plugin.ChangeBlockSize(4);
    std::vector<double> in = {1, 2, 3, 4};
    std::vector<double> left(4, 9.0), right(4, 9.0);
    double* inputs[] = {in.data()};
    double* outputs[] = {left.data(), right.data()};
    plugin.ProcessBlock(inputs, outputs, 4);
    EXPECT_EQ(left, in);
    EXPECT_EQ(right, std::vector<double>(4, 0.0));

    RecordingPlugin stereo(1, "1-1 2-2", 1);
    stereo.CreateBypassDelay();
    std::vector<double> a = {1, 2, 3}, b = {4, 5, 6}, oa(3), ob(3);
    stereo.InputPointers()[0] = a.data();
    stereo.InputPointers()[1] = b.data();
    stereo.OutputPointers()[0] = oa.data();
    stereo.OutputPointers()[1] = ob.data();
    stereo.PassThrough(3);
    EXPECT_EQ(oa, a);
    EXPECT_EQ(ob, b);

    stereo.ChangeLatency(2);  // bypass now delays by the latency
    stereo.PassThrough(3);
    EXPECT_EQ(oa, (std::vector<double>{0, 0, 1}));
    EXPECT_EQ(ob, (std::vector<double>{0, 0, 4}));
    stereo.PassThrough(3);
    EXPECT_EQ(oa, (std::vector<double>{2, 3, 1}));
}

TEST(PluginBase, ScratchBuffersFollowTheBlockSize) {
    RecordingPlugin plugin;
    plugin.ChangeBlockSize(64);
    EXPECT_EQ(plugin.BlockSize(), 64);
    plugin.Input(1).scratch[3] = 7.0;
    plugin.ChangeBlockSize(32);
    EXPECT_EQ(plugin.Input(1).scratch.size(), 32u);
    EXPECT_EQ(plugin.Output(0).scratch.size(), 32u);
    EXPECT_EQ(plugin.Input(1).scratch[3], 0.0);
}

TEST(PluginBase, StateMatchesComparesAsSinglePrecision) {
    RecordingPlugin plugin(2, "2-2", 1);
    const double same[] = {99.0, 0.25 + 1e-9, 0.25};
    EXPECT_TRUE(plugin.StateMatches(same, 1));
    const double different[] = {0.25, 0.2501};
    EXPECT_FALSE(plugin.StateMatches(different, 0));
    const double nan[] = {0.25, std::numeric_limits<double>::quiet_NaN()};
    EXPECT_FALSE(plugin.StateMatches(nan, 0));
}

}  // namespace
}  // namespace tesselor::framework
