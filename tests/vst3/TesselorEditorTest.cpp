// Tesselor's editor in an X window, driven as a Linux host drives it: the built bundle's view is
// attached to a window of the test's own on a private Xvfb (scripts/xvfb, started by CTest) and
// runs on a host-side run loop; the mouse and keys come from XTest and the pixels are read back
// from the server.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "BundleHost.h"
#include "TestRunLoop.h"
#include "graphics/Graphics.h"
#include "plugin/Tesselor.h"
#include "raster/PngLoader.h"

// Last: Xlib's macros (None, Bool, Status) would rename GoogleTest's and the SDK's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tesselor::vst3::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kWidth = 774;  // the panel, pixels
constexpr int kHeight = 237;

// Knob and switch centres on the panel (plugin/TesselorPanel.cpp), editor pixels.
constexpr int kLowGainX = 274, kLowGainY = 137;
constexpr int kOutputGainX = 648, kOutputGainY = 137;
constexpr int kInSwitchX = 119, kInSwitchY = 66;

// What the host hears of edits: 'b'egin, 'p'erform, 'e'nd.
struct Edit {
    char kind;
    ParamID id;
    double value;
};

class EditRecorder : public IComponentHandler {
public:
    tresult PLUGIN_API beginEdit(ParamID id) override { return Add('b', id, 0.0); }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override {
        return Add('p', id, value);
    }
    tresult PLUGIN_API endEdit(ParamID id) override { return Add('e', id, 0.0); }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, IComponentHandler::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    // The kinds in order, "bppe", with every edit's id checked to be `id`.
    std::string Kinds(ParamID id) const {
        std::string kinds;
        for (const Edit& e : edits) kinds += e.id == id ? e.kind : '?';
        return kinds;
    }
    double LastValue() const { return edits.empty() ? -1.0 : edits.back().value; }

    std::vector<Edit> edits;

private:
    tresult Add(char kind, ParamID id, double value) {
        edits.push_back({kind, id, value});
        return kResultOk;
    }
};

// The display: the private Xvfb CTest started (its session file is named by TESSELOR_XVFB_SESSION)
// or, run by hand, $DISPLAY. Empty, with `why` set, when there is none.
std::string TestDisplayName(std::string* why) {
    if (const char* session = std::getenv("TESSELOR_XVFB_SESSION")) {
        std::ifstream in(session);
        std::string pid, display;
        if (in >> pid >> display) return display;
        *why = "Xvfb could not start (the xvfb_up test says why)";
        return {};
    }
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return display;
    *why = "no X display: run through ctest, which starts Xvfb, or set DISPLAY";
    return {};
}

int CountEntries(const char* folder) {
    int n = 0;
    if (DIR* d = opendir(folder)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// Shared-memory segments this process created that still exist.
int OwnSharedSegments() {
    std::ifstream in("/proc/sysvipc/shm");
    std::string line;
    std::getline(in, line);  // the heading
    int n = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long value = 0, cpid = 0;
        for (int i = 0; i < 5 && fields >> value; ++i) cpid = value;  // cpid is the 5th column
        if (cpid == getpid()) ++n;
    }
    return n;
}

// The colour of every pixel (0xRRGGBB), row by row.
std::vector<uint32_t> ColoursOf(raster::RasterBitmap& b) {
    std::vector<uint32_t> c;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) c.push_back(b.Row(y)[x] & 0xFFFFFFu);
    return c;
}

std::vector<uint32_t> ColoursOf(Display* d, ::Window w) {
    std::vector<uint32_t> c;
    XImage* image = XGetImage(d, w, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return c;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) c.push_back(XGetPixel(image, x, y) & 0xFFFFFFu);
    XDestroyImage(image);
    return c;
}

// "" when equal, else where they first differ.
std::string Difference(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want) {
    if (got.size() != want.size())
        return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != want[i]) {
            std::ostringstream s;
            s << "first difference at (" << i % kWidth << ", " << i / kWidth << "): " << std::hex
              << got[i] << " instead of " << want[i];
            return s.str();
        }
    }
    return "";
}

class EditorWindow : public ::testing::Test {
protected:
    // One instance with its view, attached or not, and the test's parent window for it.
    struct Editor {
        EditRecorder recorder;  // outlives the instance, which releases it as it terminates
        std::unique_ptr<Instance> instance;
        IPlugView* view = nullptr;
        ::Window parent = 0;
        int x = 0;  // the parent's place on the screen
        int y = 0;

        ~Editor() {
            if (view) view->release();
        }
    };

    void SetUp() override {
        std::string why;
        const std::string name = TestDisplayName(&why);
        if (name.empty()) GTEST_SKIP() << why;
        setenv("DISPLAY", name.c_str(), 1);  // where the plug-in opens its own connection
        display = XOpenDisplay(name.c_str());
        ASSERT_TRUE(display) << "cannot open " << name;
        int event = 0, error = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor));
        std::string message;
        module = tools::PluginModule::Open(TESSELOR_BUNDLE, &message);
        ASSERT_TRUE(module) << message;
        const std::string golden =
            std::string(TESSELOR_SOURCE_DIR) + "/tests/plugin/DefaultPanel.png";
        std::unique_ptr<raster::RasterBitmap> image(raster::LoadPngFromFile(golden.c_str()));
        ASSERT_TRUE(image) << golden;
        defaultPanel = ColoursOf(*image);
    }

    void TearDown() override {
        editors.clear();
        loop.Close();
        module.reset();
        if (display) XCloseDisplay(display);
    }

    // A new instance and its view, given `frame`, with a parent window at (x, y) of the screen.
    Editor& Make(IPlugFrame* frame, int x = 0, int y = 0) {
        auto e = std::make_unique<Editor>();
        e->instance = std::make_unique<Instance>(module->Factory(), kTesselorClassId);
        EXPECT_TRUE(e->instance->Valid());
        e->instance->component->initialize(&e->instance->host);
        e->instance->controller->setComponentHandler(&e->recorder);
        e->view = e->instance->controller->createView(ViewType::kEditor);
        EXPECT_TRUE(e->view);
        if (frame) e->view->setFrame(frame);
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixel = 0x00FF00;  // anything the panel does not show, to catch gaps
        a.event_mask = KeyPressMask;
        e->parent = XCreateWindow(display, DefaultRootWindow(display), x, y, kWidth, kHeight, 0,
                                  CopyFromParent, InputOutput, CopyFromParent,
                                  CWOverrideRedirect | CWBackPixel | CWEventMask, &a);
        XMapRaised(display, e->parent);
        XSync(display, False);
        e->x = x;
        e->y = y;
        editors.push_back(std::move(e));
        return *editors.back();
    }

    tresult Attach(Editor& e) {
        return e.view->attached(reinterpret_cast<void*>(e.parent), kPlatformTypeX11EmbedWindowID);
    }

    // The windows the plug-in made in `e`'s parent.
    std::vector<::Window> Children(const Editor& e) {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        std::vector<::Window> found;
        if (XQueryTree(display, e.parent, &root, &parent, &children, &count)) {
            found.assign(children, children + count);
            if (children) XFree(children);
        }
        return found;
    }

    bool WaitForTicks(int ticks) {
        const int until = loop.Ticks() + ticks;
        return loop.RunUntil([&] { return loop.Ticks() >= until; });
    }

    // Input at editor pixel (x, y) of `e`. The plug-in hears it when the loop runs next.
    void MoveTo(const Editor& e, int x, int y) {
        XTestFakeMotionEvent(display, DefaultScreen(display), e.x + x, e.y + y, CurrentTime);
        XFlush(display);
    }
    void Button(unsigned int button, bool down) {
        XTestFakeButtonEvent(display, button, down ? True : False, CurrentTime);
        XFlush(display);
    }
    void Click(const Editor& e, int x, int y, unsigned int button = Button1) {
        MoveTo(e, x, y);
        Button(button, true);
        Button(button, false);
    }
    // Runs the loop until `e`'s host has heard `count` edits in all; false on time-out.
    bool WaitForEdits(Editor& e, std::size_t count) {
        return loop.RunUntil([&] { return e.recorder.edits.size() >= count; });
    }

    std::vector<uint32_t> Shown(const Editor& e) {
        const std::vector<::Window> children = Children(e);
        return children.size() == 1 ? ColoursOf(display, children[0]) : std::vector<uint32_t>{};
    }

    Display* display = nullptr;
    TestRunLoop loop;
    std::unique_ptr<tools::PluginModule> module;
    std::vector<std::unique_ptr<Editor>> editors;
    std::vector<uint32_t> defaultPanel;
};

TEST_F(EditorWindow, OpensAChildWindowThatShowsTheDefaultPanelWithinTwoTicks) {
    Editor& e = Make(&loop);
    EXPECT_EQ(e.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(e.view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    ViewRect size;
    ASSERT_EQ(e.view->getSize(&size), kResultTrue);
    EXPECT_EQ(size.getWidth(), kWidth);
    EXPECT_EQ(size.getHeight(), kHeight);
    // Another type opens nothing: the host would show an empty frame.
    EXPECT_EQ(e.view->attached(reinterpret_cast<void*>(e.parent), kPlatformTypeHWND), kResultFalse);
    EXPECT_TRUE(Children(e).empty());

    ASSERT_EQ(Attach(e), kResultTrue);
    ASSERT_EQ(Children(e).size(), 1u);
    ASSERT_EQ(loop.TimerCount(), 1);
    EXPECT_EQ(loop.PeriodMs(0), 40);  // 25 frames a second
    EXPECT_EQ(loop.ReaderCount(), 1);
    ASSERT_TRUE(WaitForTicks(2));
    EXPECT_EQ(Difference(Shown(e), defaultPanel), "");

    // A window laid over the editor and taken away again: the server asks for the uncovered part,
    // which comes back from the drawing surface (no control is dirty, so no tick draws it).
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = 0xFF0000;
    const ::Window cover =
        XCreateWindow(display, DefaultRootWindow(display), 100, 50, 300, 100, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(display, cover);
    XSync(display, False);
    ASSERT_NE(Difference(Shown(e), defaultPanel), "");
    XDestroyWindow(display, cover);
    XSync(display, False);
    EXPECT_TRUE(loop.RunUntil([&] { return Difference(Shown(e), defaultPanel).empty(); }, 1000))
        << Difference(Shown(e), defaultPanel);

    EXPECT_EQ(e.view->removed(), kResultTrue);
    EXPECT_EQ(loop.TimerCount() + loop.ReaderCount(), 0);
    XSync(display, False);
    EXPECT_TRUE(Children(e).empty());
}

TEST_F(EditorWindow, MouseEditsReachTheHostBetweenBeginAndEnd) {
    Editor& e = Make(&loop, 0, 100);
    ASSERT_EQ(Attach(e), kResultTrue);
    ASSERT_TRUE(WaitForTicks(1));
    EditRecorder& heard = e.recorder;

    // A drag up by 20 pixels, partly outside the window: the knob keeps the mouse.
    MoveTo(e, kLowGainX, kLowGainY);
    Button(Button1, true);
    for (int dy = 5; dy <= 20; dy += 5) MoveTo(e, kLowGainX + 3 * dy, kLowGainY - dy);
    MoveTo(e, kLowGainX, kLowGainY - 20);
    ASSERT_TRUE(loop.RunUntil([&] { return heard.LastValue() > 0.59; }));
    MoveTo(e, kLowGainX, -50);  // above the editor, where the knob reaches 1
    Button(Button1, false);
    ASSERT_TRUE(
        loop.RunUntil([&] { return !heard.edits.empty() && heard.edits.back().kind == 'e'; }));
    const std::string kinds = heard.Kinds(plugin::kParamLowGain);
    EXPECT_EQ(kinds.front(), 'b');
    EXPECT_EQ(kinds.find_first_not_of('p', 1), kinds.size() - 1) << kinds;
    EXPECT_GE(kinds.size(), 4u);
    EXPECT_EQ(heard.edits[kinds.size() - 2].value, 1.0);

    // A double click puts the knob back to its default (the drag's press was no first click).
    heard.edits.clear();
    Click(e, kLowGainX, kLowGainY);
    Click(e, kLowGainX, kLowGainY);
    ASSERT_TRUE(loop.RunUntil([&] { return heard.LastValue() == 0.5; }));

    // The wheel: one notch up, then one down, each a whole edit.
    heard.edits.clear();
    MoveTo(e, kOutputGainX, kOutputGainY);
    Button(Button4, true);
    Button(Button4, false);
    ASSERT_TRUE(WaitForEdits(e, 3));
    Button(Button5, true);
    Button(Button5, false);
    Button(6, true);  // the horizontal wheel: nothing
    Button(6, false);
    ASSERT_TRUE(WaitForEdits(e, 6));
    EXPECT_EQ(heard.Kinds(plugin::kParamOutputGain), "bpebpe");
    EXPECT_NEAR(heard.edits[1].value, 0.51, 1e-9);
    EXPECT_NEAR(heard.edits[4].value, 0.5, 1e-9);

    // The IN switch goes out with a click.
    heard.edits.clear();
    Click(e, kInSwitchX, kInSwitchY);
    ASSERT_TRUE(WaitForEdits(e, 3));
    loop.RunFor(100);
    EXPECT_EQ(heard.Kinds(plugin::kParamIn), "bpe");
    EXPECT_EQ(heard.edits[1].value, 0.0);

    // A key no control takes goes on to the host's window.
    const KeyCode a = XKeysymToKeycode(display, XK_a);
    MoveTo(e, kLowGainX, kLowGainY);
    XTestFakeKeyEvent(display, a, True, CurrentTime);
    XTestFakeKeyEvent(display, a, False, CurrentTime);
    XFlush(display);
    XEvent key{};
    EXPECT_TRUE(loop.RunUntil(
        [&] { return XCheckTypedWindowEvent(display, e.parent, KeyPress, &key) == True; }));
    EXPECT_EQ(key.xkey.keycode, a);
    EXPECT_EQ(e.view->onKeyDown('a', 0, 0), kResultFalse);
    EXPECT_EQ(e.view->removed(), kResultTrue);
}

TEST_F(EditorWindow, ReopensAHundredTimesAndShowsAutomationThatCameWhileClosed) {
    Editor& e = Make(&loop);
    ASSERT_TRUE(e.instance->Prepare());
    const int threads = CountEntries("/proc/self/task");
    const int descriptors = CountEntries("/proc/self/fd");
    const int segments = OwnSharedSegments();
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Attach(e), kResultTrue);
        ASSERT_TRUE(WaitForTicks(1));
        ASSERT_EQ(e.view->removed(), kResultTrue);
        ASSERT_EQ(loop.TimerCount() + loop.ReaderCount(), 0);
    }
    XSync(display, False);
    EXPECT_TRUE(Children(e).empty());
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
    EXPECT_EQ(OwnSharedSegments(), segments);

    // Automation while no window is open, then the editor again.
    tools::ParamChanges changes;
    changes.Add(plugin::kParamLowGain, 1.0);
    changes.Add(plugin::kParamHpLp, 1.0);
    ASSERT_EQ(e.instance->Apply(changes), kResultOk);
    ASSERT_EQ(Attach(e), kResultTrue);
    ASSERT_TRUE(WaitForTicks(2));

    // What the panel shows with those values, drawn by an editor of the test's own.
    auto* reference = new plugin::Tesselor();  // reference counted
    tools::HostApplication host;
    static_cast<IComponent*>(reference)->initialize(&host);
    ProcessData data;
    data.inputParameterChanges = &changes;
    static_cast<IAudioProcessor*>(reference)->process(data);
    auto* editor = dynamic_cast<graphics::Graphics*>(reference->Editor());
    editor->MarkAllDirty();
    editor->Tick();
    const std::vector<uint32_t> expected = ColoursOf(*editor->Surface());
    static_cast<IComponent*>(reference)->terminate();
    reference->release();
    ASSERT_NE(Difference(expected, defaultPanel), "");
    EXPECT_EQ(Difference(Shown(e), expected), "");
    EXPECT_EQ(e.view->removed(), kResultTrue);
}

TEST_F(EditorWindow, TwoInstancesShowTheirEditorsSideBySide) {
    Editor& first = Make(&loop, 0, 0);
    Editor& second = Make(&loop, 0, 300);
    ASSERT_EQ(Attach(first), kResultTrue);
    ASSERT_EQ(Attach(second), kResultTrue);
    EXPECT_EQ(loop.TimerCount(), 2);
    ASSERT_TRUE(WaitForTicks(4));  // two each
    EXPECT_EQ(Difference(Shown(first), defaultPanel), "");
    EXPECT_EQ(Difference(Shown(second), defaultPanel), "");

    MoveTo(second, kLowGainX, kLowGainY);
    Button(Button4, true);
    Button(Button4, false);
    ASSERT_TRUE(WaitForEdits(second, 3));
    EXPECT_TRUE(first.recorder.edits.empty());

    // The first goes; the second keeps its timer and its events.
    EXPECT_EQ(first.view->removed(), kResultTrue);
    EXPECT_EQ(loop.TimerCount(), 1);
    EXPECT_EQ(loop.ReaderCount(), 1);
    Click(second, kInSwitchX, kInSwitchY);
    ASSERT_TRUE(WaitForEdits(second, 6));
    EXPECT_EQ(second.view->removed(), kResultTrue);
    EXPECT_EQ(loop.TimerCount() + loop.ReaderCount(), 0);

    // A host that calls and releases the handlers after the plug-ins are gone reaches nothing.
    editors.clear();
    EXPECT_EQ(loop.CallLate(), 4);
}

TEST_F(EditorWindow, AHostWithoutARunLoopGetsNoWindow) {
    FrameWithoutRunLoop frame;
    Editor& withFrame = Make(&frame);
    Editor& noFrame = Make(nullptr, 0, 300);
    const int threads = CountEntries("/proc/self/task");
    EXPECT_EQ(Attach(withFrame), kResultFalse);
    EXPECT_EQ(Attach(noFrame), kResultFalse);
    XSync(display, False);
    EXPECT_TRUE(Children(withFrame).empty());
    EXPECT_TRUE(Children(noFrame).empty());
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(withFrame.view->removed(), kResultTrue);

    // The same view opens once a run loop comes with the frame.
    withFrame.view->setFrame(&loop);
    EXPECT_EQ(Attach(withFrame), kResultTrue);
    EXPECT_EQ(withFrame.view->removed(), kResultTrue);
}

}  // namespace
}  // namespace tesselor::vst3::test
