// The equaliser's editor panel: what a fresh editor shows, pixel for pixel, and how host changes
// reach its controls.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "graphics/Control.h"
#include "graphics/Graphics.h"
#include "plugin/Tesselor.h"
#include "plugin/TesselorPanel.h"
#include "raster/PngLoader.h"
#include "raster/PngWriter.h"
#include "tools/HostServices.h"

namespace tesselor::plugin {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// Control indices: the background, four switches, eleven knobs, the link.
enum PanelControl : int {
    kBackground = 0,
    kBellSwitch = 1,
    kHpLpSwitch = 2,
    kInSwitch = 3,
    kOversampleSwitch = 4,
    kLowGainKnob = 5,
    kHighPassKnob = 13,
    kLowPassKnob = 14,
    kOutputGainKnob = 15,
    kLink = 16,
};

struct Editor {
    Tesselor* plugin = new Tesselor();  // reference counted
    graphics::Graphics& g = *dynamic_cast<graphics::Graphics*>(plugin->Editor());
    ~Editor() { plugin->release(); }

    int Frame(int index) {
        const graphics::Control* c = g.ControlAt(index);
        const int frames = index <= kOversampleSwitch ? 2 : 31;
        return graphics::FrameForValue(c->Value(), frames);
    }
};

TEST(TesselorPanel, AFreshEditorShowsTheDefaults) {
    Editor e;
    ASSERT_EQ(e.g.ControlCount(), 17);
    EXPECT_EQ(e.g.Width(), 774);
    EXPECT_EQ(e.g.Height(), 237);
    EXPECT_EQ(e.Frame(kInSwitch), 2);  // lit
    EXPECT_EQ(e.Frame(kBellSwitch), 1);
    EXPECT_EQ(e.Frame(kHpLpSwitch), 1);
    EXPECT_EQ(e.Frame(kOversampleSwitch), 1);
    for (int knob = kLowGainKnob; knob <= kOutputGainKnob; ++knob) {
        const int expected = knob == kHighPassKnob ? 1 : knob == kLowPassKnob ? 31 : 16;
        EXPECT_EQ(e.Frame(knob), expected) << knob;
    }
    // The shared columns: IN over HP-LP at x = 142, HP-LP over BELL at x = 188.
    EXPECT_EQ(e.g.HitControl(142, 60), kInSwitch);
    EXPECT_EQ(e.g.HitControl(188, 60), kHpLpSwitch);
    EXPECT_EQ(e.g.HitControl(700, 220), kLink);
    // One knob moved: only its rectangle is drawn.
    e.g.Tick();
    e.g.SetControlsFromPlugin(kParamLowGain, 0.9);
    graphics::PixelRect area;
    ASSERT_TRUE(e.g.CollectDirtyRect(&area));
    EXPECT_EQ(area, (graphics::PixelRect{248, 111, 300, 164}));
}

TEST(TesselorPanel, DrawsPixelForPixelWhatTheGoldenImageShows) {
    Editor e;
    e.g.MarkAllDirty();
    ASSERT_TRUE(e.g.Tick());
    raster::RasterBitmap& drawn = *e.g.Surface();
    const std::string golden = std::string(TESSELOR_SOURCE_DIR) + "/tests/plugin/DefaultPanel.png";
    std::unique_ptr<raster::RasterBitmap> expected(raster::LoadPngFromFile(golden.c_str()));
    const std::string actual = std::string(TESSELOR_TEST_SCRATCH) + "/DefaultPanel.png";
    raster::WritePngToFile(&drawn, actual.c_str());
    const std::string hint = "the panel as drawn is in " + actual +
                             "; if the change is meant, make it the golden image with "
                             "'tesselor snapshot tests/plugin/DefaultPanel.png'";
    ASSERT_TRUE(expected) << "cannot read " << golden << "; " << hint;
    ASSERT_EQ(expected->Width(), drawn.Width());
    ASSERT_EQ(expected->Height(), drawn.Height());
    for (int y = 0; y < drawn.Height(); ++y) {
        // Alpha aside: the window shows colour only.
        for (int x = 0; x < drawn.Width(); ++x) {
            const uint32_t want = expected->Row(y)[x] & 0xFFFFFFu;
            const uint32_t got = drawn.Row(y)[x] & 0xFFFFFFu;
            ASSERT_EQ(got, want) << "first difference at (" << x << ", " << y << "); " << hint;
        }
    }
}

TEST(TesselorPanel, HostChangesReachTheControlsByTheNextTick) {
    Editor e;
    IComponent* component = e.plugin;
    IAudioProcessor* processor = e.plugin;
    IEditController* controller = e.plugin;
    tools::HostApplication host;
    ASSERT_EQ(component->initialize(&host), kResultOk);
    e.g.Tick();

    // Automation through process: applied on the audio side, shown at the next tick.
    tools::ParamChanges changes;
    changes.Add(kParamLowGain, 1.0);
    changes.Add(kParamIn, 0.0);
    ProcessData data;
    data.inputParameterChanges = &changes;
    ASSERT_EQ(processor->process(data), kResultOk);
    EXPECT_EQ(e.Frame(kLowGainKnob), 16);
    EXPECT_TRUE(e.g.Tick());
    EXPECT_EQ(e.Frame(kLowGainKnob), 31);
    EXPECT_EQ(e.Frame(kInSwitch), 1);

    // A state load moves every control.
    tools::ByteStream saved;
    ASSERT_EQ(controller->getState(&saved), kResultOk);
    changes.Clear();
    changes.Add(kParamLowGain, 0.0);
    changes.Add(kParamHighPass, 1.0);
    processor->process(data);
    e.g.Tick();
    EXPECT_EQ(e.Frame(kHighPassKnob), 31);
    tools::ByteStream again(saved.Bytes());
    ASSERT_EQ(controller->setState(&again), kResultOk);
    e.g.Tick();
    EXPECT_EQ(e.Frame(kLowGainKnob), 31);
    EXPECT_EQ(e.Frame(kHighPassKnob), 1);

    // And so does the preset, loaded through the process queue.
    changes.Clear();
    changes.Add(vst3::kPresetParamId, 0.0);
    processor->process(data);
    e.g.Tick();
    EXPECT_EQ(e.Frame(kLowGainKnob), 16);
    EXPECT_EQ(e.Frame(kInSwitch), 2);
    component->terminate();
}

}  // namespace
}  // namespace tesselor::plugin
