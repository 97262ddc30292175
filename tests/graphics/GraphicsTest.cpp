// The editor core: rectangles, drawing of dirty areas, the image cache and input dispatch, on a
// headless editor whose plug-in records what the host would hear.
#include <gtest/gtest.h>

#include "TestEditor.h"
#include "graphics/BitmapControl.h"
#include "graphics/FilmstripKnobControl.h"
#include "graphics/ImageCache.h"
#include "graphics/SwitchControl.h"

namespace tesselor::graphics::test {
namespace {

using Events = std::vector<std::string>;

TEST(PixelRect, OverlapCountsAnAreaTouchingOnItsRightOrBottom) {
    const PixelRect area{0, 0, 10, 10};
    EXPECT_TRUE(area.Overlaps({10, 0, 20, 10}));   // touching on the area's right edge
    EXPECT_TRUE(area.Overlaps({0, 10, 10, 20}));   // and bottom edge
    EXPECT_FALSE(area.Overlaps({-10, 0, 0, 10}));  // but not on its left edge
    EXPECT_FALSE(area.Overlaps({0, -10, 10, 0}));
    EXPECT_FALSE(PixelRect{}.Overlaps(area));
    EXPECT_TRUE(area.Contains(9, 9));
    EXPECT_FALSE(area.Contains(10, 5));
    EXPECT_FALSE(PixelRect{}.Contains(0, 0));
    EXPECT_EQ(area.Union({5, -3, 12, 4}), (PixelRect{0, -3, 12, 10}));
}

// Counts how often it is drawn; draws nothing.
class CountingControl : public Control {
public:
    using Control::Control;
    bool DrawInto(Graphics&) override {
        ++draws;
        return true;
    }
    int draws = 0;
};

TEST(Graphics, RedrawsDirtyControlsInTheUnionOfTheirRectanglesOverTwoTicks) {
    RecordingPlugin plugin;
    TestGraphics g(&plugin);
    g.AttachBackground(g.LoadFrameBitmap(1, "bg.png", 1));
    auto* a = new CountingControl(&plugin, {10, 10, 20, 20}, 0);
    auto* b = new CountingControl(&plugin, {40, 30, 50, 40}, 1);
    auto* edge = new CountingControl(&plugin, {50, 15, 60, 25});  // touches the area at x = 50
    g.AttachControl(std::unique_ptr<Control>(a));
    g.AttachControl(std::unique_ptr<Control>(b));
    g.AttachControl(std::unique_ptr<Control>(edge));
    g.SetControlsFromPlugin(0, 0.5);  // as the plug-in does when it takes the editor
    g.SetControlsFromPlugin(1, 0.0);
    g.PrepareDrawing();
    g.DrawAll();
    PixelRect area;
    EXPECT_FALSE(g.CollectDirtyRect(&area));

    // A value from the plug-in waits in the control's mailbox until the next tick takes it, then
    // is drawn on that tick and the one after.
    g.SetControlsFromPlugin(0, 0.3);
    g.SetControlsFromPlugin(1, 1.0);
    EXPECT_EQ(a->Value(), 0.5);
    ASSERT_TRUE(g.CollectDirtyRect(&area));
    EXPECT_EQ(a->Value(), 0.3);
    EXPECT_EQ(area, (PixelRect{10, 10, 50, 40}));
    const int edgeDraws = edge->draws;
    ASSERT_TRUE(g.DrawDirty(area));
    EXPECT_EQ(edge->draws, edgeDraws + 1);  // its left edge on the area's right edge
    EXPECT_TRUE(g.Tick());
    EXPECT_FALSE(g.Tick());
    // The value it already has marks nothing.
    g.SetControlsFromPlugin(0, 0.3);
    EXPECT_FALSE(g.Tick());
}

TEST(Graphics, CachesEachImageOnceAndDrawsTheFrameAValueSelects) {
    RecordingPlugin plugin;
    TestGraphics g(&plugin), other(&plugin);
    const FrameBitmap first = g.LoadFrameBitmap(3101, "knob.png", 31);
    const FrameBitmap again = g.LoadFrameBitmap(3101, "another.png", 5);
    const FrameBitmap elsewhere = other.LoadFrameBitmap(3101, "knob.png", 31);
    ASSERT_NE(first.image, nullptr);
    EXPECT_EQ(again.image, first.image);
    EXPECT_EQ(elsewhere.image, first.image);
    EXPECT_EQ(again.frames, 5);
    EXPECT_EQ(g.loads + other.loads, 1);  // decoded once, for the whole process
    EXPECT_EQ(first.FrameHeight(), TestGraphics::kFrameHeight);

    g.AttachBackground(g.LoadFrameBitmap(1, "bg.png", 1));
    auto knob = std::make_unique<FilmstripKnobControl>(&plugin, 20, 10, 0, first);
    FilmstripKnobControl* k = knob.get();
    g.AttachControl(std::move(knob));
    // A missing image leaves a placeholder where the control is, not a crash.
    g.AttachControl(std::make_unique<BitmapControl>(&plugin, 60, 10, -1,
                                                    g.LoadFrameBitmap(9001, "gone.png", 1)));
    g.PrepareDrawing();
    for (const auto& [value, frame] : {std::pair{0.0, 1}, {0.5, 16}, {1.0, 31}}) {
        g.SetControlsFromPlugin(0, value);
        g.Tick();
        EXPECT_EQ(ScreenPixel(g, 25, 14), 0xFF000000u + frame) << value;
    }
    EXPECT_EQ(k->Value(), 1.0);
    EXPECT_EQ(ScreenPixel(g, 5, 5), 0xFF000001u);  // the one-frame background, from its top
}

// An editor like the panel: background, two switches sharing a column, a knob.
struct Panel {
    RecordingPlugin plugin;
    TestGraphics g{&plugin};
    SwitchControl* left = nullptr;
    SwitchControl* right = nullptr;
    FilmstripKnobControl* knob = nullptr;

    Panel() {
        g.AttachBackground(g.LoadFrameBitmap(1, "bg.png", 1));
        auto a = std::make_unique<SwitchControl>(&plugin, 0, 0, 1, g.LoadFrameBitmap(200, "s", 2));
        auto b = std::make_unique<SwitchControl>(&plugin, 9, 0, -1, g.LoadFrameBitmap(200, "s", 2));
        auto k = std::make_unique<FilmstripKnobControl>(&plugin, 30, 20, 0,
                                                        g.LoadFrameBitmap(3100, "k", 31));
        left = a.get();
        right = b.get();
        knob = k.get();
        g.AttachControl(std::move(a));
        g.AttachControl(std::move(b));
        g.AttachControl(std::move(k));
        for (int i = 0; i < 2; ++i) g.SetControlsFromPlugin(i, plugin.Param(i)->CurrentNormal());
        g.PrepareDrawing();
    }
};

TEST(Graphics, RoutesPressesToTheTopmostControlWithGesturesAroundEdits) {
    Panel p;
    const MouseModifiers left{true};
    // The shared column x = 9 belongs to the control attached later.
    p.g.HandleMouseDown(9, 4, left);
    EXPECT_EQ(p.right->Value(), 1.0);
    EXPECT_EQ(p.left->Value(), 0.0);
    p.g.HandleMouseUp(9, 4, left);
    EXPECT_TRUE(p.plugin.events.empty());  // no parameter, nothing for the host

    // The background takes the press but begins nothing.
    p.g.HandleMouseDown(80, 70, left);
    EXPECT_EQ(p.g.MouseCapture(), 0);
    p.g.HandleMouseUp(80, 70, left);
    EXPECT_TRUE(p.plugin.events.empty());

    // A drag of one knob height up, at gearing 4, is a quarter turn; a step without movement is
    // not delivered.
    p.g.HandleMouseDown(35, 24, left);
    p.g.HandleMouseDrag(35, 24, left);
    p.g.HandleMouseDrag(35, 24 - TestGraphics::kFrameHeight, left);
    p.g.HandleMouseUp(35, 16, left);
    EXPECT_EQ(p.plugin.events, (Events{"begin 0", "perform 0 0.75", "end 0"}));
    EXPECT_EQ(p.plugin.Param(0)->Value(), 0.75);

    // A double-click restores the default and pushes it without a gesture.
    p.plugin.events.clear();
    p.g.HandleDoubleClick(35, 24, left);
    EXPECT_EQ(p.plugin.events, (Events{"perform 0 0.5"}));

    // A right press asks the host for its context menu; the knob hears nothing.
    p.plugin.events.clear();
    p.g.HandleMouseDown(35, 24, MouseModifiers{false, true});
    EXPECT_EQ(p.plugin.events, (Events{"menu 0 35 24"}));
    EXPECT_EQ(p.g.MouseCapture(), -1);
    p.g.HandleMouseUp(35, 24, MouseModifiers{false, true});
    EXPECT_EQ(p.plugin.events.size(), 1u);  // and no gesture ends that never began
    EXPECT_EQ(p.knob->Value(), 0.5);
}

TEST(Graphics, PressesOutsideEveryControlAndHiddenOrGreyedControlsReachNothing) {
    RecordingPlugin plugin;
    TestGraphics g(&plugin);
    auto knob = std::make_unique<FilmstripKnobControl>(&plugin, 10, 10, 0,
                                                       g.LoadFrameBitmap(3102, "k", 31));
    FilmstripKnobControl* k = knob.get();
    g.AttachControl(std::move(knob));
    g.PrepareDrawing();
    g.HandleMouseDown(50, 50, MouseModifiers{true});
    EXPECT_EQ(g.MouseCapture(), -1);
    g.HandleMouseUp(50, 50, MouseModifiers{true});
    k->SetHidden(true);
    g.HandleMouseDown(12, 12, MouseModifiers{true});
    k->SetHidden(false);
    k->SetGreyed(true);
    g.HandleMouseDown(12, 12, MouseModifiers{true});
    EXPECT_TRUE(plugin.events.empty());
    EXPECT_EQ(k->Blend().weight, 0.25f);
    k->SetGreyed(false);
    EXPECT_EQ(k->Blend().weight, 1.0f);
}

}  // namespace
}  // namespace tesselor::graphics::test
