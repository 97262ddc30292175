// The control classes: frames for values, knob gearing and wheel, switch cycling, defaults,
// links.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestEditor.h"
#include "graphics/FilmstripKnobControl.h"
#include "graphics/LinkControl.h"
#include "graphics/SwitchControl.h"

namespace tesselor::graphics::test {
namespace {

TEST(Control, PicksTheFrameForAValue) {
    struct Case {
        double value;
        int frames, frame;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {Case{0.0, 31, 1},
                          {0.5, 31, 16},
                          {1.0, 31, 31},
                          {1.0 / 60, 31, 2},
                          {0.0166, 31, 1},
                          {-0.3, 31, 1},
                          {7.0, 31, 31},
                          {nan, 31, 1},
                          {0.6, 2, 2},
                          {0.4, 2, 1},
                          {0.9, 1, 1}}) {
        EXPECT_EQ(FrameForValue(c.value, c.frames), c.frame) << c.value << " of " << c.frames;
    }
}

struct KnobFixture : ::testing::Test {
    RecordingPlugin plugin;
    TestGraphics g{&plugin};
    FilmstripKnobControl* knob = nullptr;
    void SetUp() override {
        // 53 pixels high, as the panel's knobs.
        FrameBitmap strip = g.LoadFrameBitmap(3103, "k", 31);
        strip.height = 53 * 31;
        auto k = std::make_unique<FilmstripKnobControl>(&plugin, 0, 0, 0, strip);
        knob = k.get();
        g.AttachControl(std::move(k));
        g.SetControlsFromPlugin(0, 0.5);
        g.PrepareDrawing();
    }
};

TEST_F(KnobFixture, DragGearingWheelStepsAndClamping) {
    const MouseModifiers none, fine{false, false, true};
    knob->MouseDrag(0, 0, 0, -53, none);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.75);  // one knob height up at gearing 4
    knob->MouseDrag(0, 0, 0, 53, fine);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.725);  // ten times finer with shift
    knob->MouseWheel(0, 0, none, 2);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.745);
    knob->MouseWheel(0, 0, MouseModifiers{false, false, false, true}, -5);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.74);
    knob->SetValue(0.995);
    knob->MouseWheel(0, 0, none, 1);
    EXPECT_EQ(knob->Value(), 1.0);
    // At 0, dragged further down: stays 0 and still tells the plug-in on every step.
    knob->SetValue(0.0);
    plugin.events.clear();
    knob->MouseDrag(0, 0, 0, 20, none);
    knob->MouseDrag(0, 0, 0, 20, none);
    EXPECT_EQ(knob->Value(), 0.0);
    EXPECT_EQ(plugin.events, (std::vector<std::string>{"perform 0 0", "perform 0 0"}));
}

TEST_F(KnobFixture, TheFirstValueFromThePluginIsTheDoubleClickDefault) {
    EXPECT_EQ(knob->DefaultValue(), 0.5);
    g.SetControlsFromPlugin(0, 0.2);
    g.Tick();
    EXPECT_EQ(knob->Value(), 0.2);
    EXPECT_EQ(knob->DefaultValue(), 0.5);
    knob->MouseDoubleClick(1, 1, MouseModifiers{true});
    EXPECT_EQ(knob->Value(), 0.5);
}

TEST(SwitchControl, StepsThroughItsFramesAndWraps) {
    RecordingPlugin plugin;
    TestGraphics g(&plugin);
    SwitchControl two(&plugin, 0, 0, 1, g.LoadFrameBitmap(200, "s", 2));
    SwitchControl one(&plugin, 0, 0, -1, g.LoadFrameBitmap(100, "s", 1));
    for (double expected : {1.0, 0.0, 1.0}) {
        two.MouseDown(0, 0, MouseModifiers{false, true});  // any button
        one.MouseDoubleClick(0, 0, MouseModifiers{true});
        EXPECT_EQ(two.Value(), expected);
        EXPECT_EQ(one.Value(), expected);
    }
    EXPECT_EQ(plugin.Param(1)->Value(), 1.0);
}

TEST(LinkControl, OpensItsAddressAndFallsBackWhenThatFails) {
    RecordingPlugin plugin;
    struct Refusing : TestGraphics {
        using TestGraphics::TestGraphics;
        bool OpenLink(const char* url, const char* t, const char* c, const char* f) override {
            TestGraphics::OpenLink(url, t, c, f);
            return false;
        }
    };
    TestGraphics accepting(&plugin);
    Refusing refusing(&plugin);
    for (TestGraphics* g : {&accepting, static_cast<TestGraphics*>(&refusing)}) {
        auto link = std::make_unique<LinkControl>(&plugin, PixelRect{0, 0, 10, 10},
                                                  "https://example.com/a");
        link->SetFallbackUrl("https://example.com/b");
        g->AttachControl(std::move(link));
        g->PrepareDrawing();
        g->HandleMouseDown(5, 5, MouseModifiers{true});
    }
    EXPECT_EQ(accepting.links, (std::vector<std::string>{"https://example.com/a"}));
    EXPECT_EQ(refusing.links,
              (std::vector<std::string>{"https://example.com/a", "https://example.com/b"}));
}

}  // namespace
}  // namespace tesselor::graphics::test
