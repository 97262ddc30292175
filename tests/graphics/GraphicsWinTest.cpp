// The editor's Windows window, run under Wine: the class registration, painting and the redraw
// tick, native mouse and key messages, the text entry, the module's PNG resources, popup menus
// and the services that need no dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "TestEditor.h"
#include "graphics/FilmstripKnobControl.h"
#include "graphics/win32/GraphicsWin.h"
#include "raster/RasterBlit.h"

namespace tesselor::graphics::test {
namespace {

using Events = std::vector<std::string>;

constexpr UINT_PTR kRedrawTimer = 2;

// A host's top-level window; records the keys its editor passes on.
class HostWindow {
public:
    HostWindow() {
        WNDCLASSA c = {};
        c.lpfnWndProc = Proc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "TestHostWindow";
        RegisterClassA(&c);
        hwnd = CreateWindowExA(0, "TestHostWindow", "host", WS_POPUP, 0, 0, 400, 300, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        // Shown without activation: nothing here waits on a window manager, which Xvfb lacks.
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        keys.clear();
    }
    ~HostWindow() { DestroyWindow(hwnd); }

    HWND hwnd;
    static inline std::vector<std::string> keys;  // "down 27", "up 65"

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_KEYDOWN || m == WM_KEYUP)
            keys.push_back((m == WM_KEYDOWN ? "down " : "up ") + std::to_string(w));
        return DefWindowProcA(h, m, w, l);
    }
};

// Handles the letter A and records every key it is offered.
class KeyCatcher : public Control {
public:
    using Control::Control;
    bool DrawInto(Graphics&) override { return true; }
    bool KeyDown(int, int, int key) override {
        offered.push_back(key);
        return key == kKeyLetterA;
    }
    std::vector<int> offered;
};

// The window class with the tests' made-up images: a 100 x 80 background and a 31-frame knob
// of 10 x 8 pixels at (20, 30) bound to parameter 0, "Knob", 0..1.
class WinEditor : public GraphicsWin {
public:
    explicit WinEditor(RecordingPlugin* plugin) : GraphicsWin(plugin, 100, 80, 25, {}) {
        AttachBackground(LoadFrameBitmap(1, "bg.png", 1));
        knob = new FilmstripKnobControl(plugin, 20, 30, 0, LoadFrameBitmap(3100, "k.png", 31));
        AttachControl(std::unique_ptr<Control>(knob));
        SetControlsFromPlugin(0, 0.5);
        PrepareDrawing();
    }
    std::unique_ptr<raster::RasterBitmap> LoadImageResource(int id, const char*) override {
        return MakeTestImage(id);
    }
    HWND Window() const { return static_cast<HWND>(WindowHandle()); }

    FilmstripKnobControl* knob;
};

// Runs the thread's messages until `hwnd` has had `ticks` redraw timer messages.
void WaitForTicks(HWND hwnd, int ticks) {
    const ULONGLONG deadline = GetTickCount64() + 5000;
    int seen = 0;
    while (seen < ticks && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            seen += m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == kRedrawTimer;
            DispatchMessageA(&m);
        }
    }
    ASSERT_EQ(seen, ticks) << "the redraw timer did not run";
}

// The window's pixels, colour only.
std::vector<uint32_t> WindowPixels(HWND hwnd, int width, int height) {
    HDC window = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + width * height);
    for (uint32_t& p : pixels) p &= 0xFFFFFFu;
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);
    return pixels;
}

void Send(HWND hwnd, UINT message, WPARAM keys, int x, int y) {
    SendMessageA(hwnd, message, keys, MAKELPARAM(x, y));
}

// A wheel message, which carries screen coordinates.
void Wheel(HWND hwnd, int delta, WPARAM keys, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(delta)),
                 MAKELPARAM(p.x, p.y));
}

bool ClassRegistered() {
    WNDCLASSA c;
    return GetClassInfoA(GetModuleHandleA(nullptr), "TesselorWndClass", &c) != 0;
}

TEST(GraphicsWin, KeepsItsWindowClassWhileAnyEditorIsOpen) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor first(&plugin), second(&plugin);
    EXPECT_FALSE(ClassRegistered());
    ASSERT_NE(first.OpenEditorWindow(host.hwnd), nullptr);
    ASSERT_NE(second.OpenEditorWindow(host.hwnd), nullptr);
    EXPECT_EQ(GetParent(first.Window()), host.hwnd);
    EXPECT_STREQ(first.GraphicsApiName(), "Windows GDI");
    first.CloseEditorWindow();
    EXPECT_EQ(first.WindowHandle(), nullptr);
    EXPECT_TRUE(ClassRegistered());
    second.CloseEditorWindow();
    EXPECT_FALSE(ClassRegistered());
    // Open again after all were closed, and resized: the window follows the editor's size.
    ASSERT_NE(first.OpenEditorWindow(host.hwnd), nullptr);
    first.ResizeEditor(120, 90);
    RECT r;
    GetClientRect(first.Window(), &r);
    EXPECT_EQ(r.right, 120);
    EXPECT_EQ(r.bottom, 90);
}

TEST(GraphicsWin, PaintsThePanelOnItsTimerAndShowsValuesByTheNextTick) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor g(&plugin);
    ASSERT_NE(g.OpenEditorWindow(host.hwnd), nullptr);
    WaitForTicks(g.Window(), 2);
    auto surface = [&g] {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) pixels.push_back(g.Surface()->Row(y)[x] & 0xFFFFFFu);
        return pixels;
    };
    EXPECT_EQ(WindowPixels(g.Window(), 100, 80), surface());
    EXPECT_EQ(WindowPixels(g.Window(), 100, 80)[35 * 100 + 25], 16u);  // knob frame 16 of 31

    g.SetControlsFromPlugin(0, 1.0);  // as automation posts it
    WaitForTicks(g.Window(), 1);
    EXPECT_EQ(WindowPixels(g.Window(), 100, 80)[35 * 100 + 25], 31u);
    EXPECT_EQ(WindowPixels(g.Window(), 100, 80), surface());
}

TEST(GraphicsWin, TurnsMouseMessagesIntoEditsOfTheControlUnderThem) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor g(&plugin);
    ASSERT_NE(g.OpenEditorWindow(host.hwnd), nullptr);
    HWND w = g.Window();

    // A press, a drag 8 pixels up (a 10 x 8 knob: 8 / 8 / 4 = 0.25), and the release.
    Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 25, 34);
    EXPECT_EQ(GetCapture(), w);
    Send(w, WM_MOUSEMOVE, MK_LBUTTON, 25, 30);
    Send(w, WM_MOUSEMOVE, MK_LBUTTON, 25, 30);             // no movement: not delivered
    Send(w, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 25, 26);  // fine: a tenth as far
    Send(w, WM_LBUTTONUP, 0, 25, 26);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_DOUBLE_EQ(g.knob->Value(), 0.5 + 0.125 + 0.0125);
    EXPECT_EQ(plugin.events, (Events{"begin 0", "perform 0 0.625", "perform 0 0.6375", "end 0"}));

    // Wheel: whole notches only (120 each), toward zero; a half notch moves nothing.
    plugin.events.clear();
    Wheel(w, 60, 0, 25, 34);
    EXPECT_DOUBLE_EQ(g.knob->Value(), 0.6375);
    Wheel(w, -240, 0, 25, 34);
    EXPECT_DOUBLE_EQ(g.knob->Value(), 0.6175);
    Wheel(w, 120, MK_CONTROL, 25, 34);
    EXPECT_DOUBLE_EQ(g.knob->Value(), 0.6185);
    EXPECT_EQ(plugin.events.size(), 9u);  // three gestures, each with one value

    // A double-click restores the first value the plug-in gave, without a gesture.
    plugin.events.clear();
    Send(w, WM_LBUTTONDBLCLK, MK_LBUTTON, 25, 34);
    EXPECT_EQ(g.knob->Value(), 0.5);
    EXPECT_EQ(plugin.events, (Events{"perform 0 0.5"}));
}

TEST(GraphicsWin, GivesTheHostTheKeysItsControlsDoNotHandle) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor g(&plugin);
    auto* catcher = new KeyCatcher(&plugin, PixelRect{0, 0, 1, 1});
    g.AttachControl(std::unique_ptr<Control>(catcher));
    g.SetKeyCatcher(catcher);
    // Keys go to the control under the mouse, wherever it is, and else to the catcher: with the
    // knob hidden only the background is left, which never takes keys.
    g.knob->SetHidden(true);
    ASSERT_NE(g.OpenEditorWindow(host.hwnd), nullptr);
    HWND w = g.Window();
    for (WPARAM key :
         {WPARAM{'A'}, WPARAM{' '}, WPARAM{'7'}, WPARAM{VK_LEFT}, WPARAM{VK_F1}, WPARAM{VK_ESCAPE}})
        SendMessageA(w, WM_KEYDOWN, key, 0);
    SendMessageA(w, WM_KEYUP, 'A', 0);
    // Letters, digits, space and arrows are offered; F1 (112) takes the letters' offset.
    EXPECT_EQ(catcher->offered, (std::vector<int>{kKeyLetterA, kKeySpace, kKeyDigit0 + 7, kKeyLeft,
                                                  kKeyLetterA + 15}));
    EXPECT_EQ(HostWindow::keys, (std::vector<std::string>{"down 32", "down 55", "down 37",
                                                          "down 112", "down 27", "up 65"}));
}

TEST(GraphicsWin, TextEntryCommitsOnEnterAtTheNextTickAndCancelsOnAClick) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor g(&plugin);
    ASSERT_NE(g.OpenEditorWindow(host.hwnd), nullptr);
    HWND w = g.Window();
    auto tick = [w] { SendMessageA(w, WM_TIMER, kRedrawTimer, 0); };

    g.PromptUserInput(g.knob, 0, PixelRect{10, 10, 50, 26});
    HWND entry = static_cast<HWND>(g.TextEntryWindow());
    ASSERT_NE(entry, nullptr);
    char text[32] = {};
    GetWindowTextA(entry, text, sizeof text);
    EXPECT_STREQ(text, "0.50");
    EXPECT_EQ(g.EntryState(), GraphicsWin::kEntryActive);  // it took the focus
    // Only digits, signs and (for a continuous parameter) the point are typed.
    SetWindowTextA(entry, "");
    for (char c : std::string("0x.3y")) SendMessageA(entry, WM_CHAR, static_cast<WPARAM>(c), 0);
    GetWindowTextA(entry, text, sizeof text);
    EXPECT_STREQ(text, "0.3");
    // While it has the focus the panel stands still: posted values wait.
    g.SetControlsFromPlugin(0, 0.9);
    tick();
    EXPECT_EQ(g.knob->Value(), 0.5);
    SendMessageA(entry, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(g.EntryState(), GraphicsWin::kEntryCommit);
    plugin.events.clear();
    tick();
    EXPECT_EQ(g.TextEntryWindow(), nullptr);
    EXPECT_FALSE(IsWindow(entry));
    EXPECT_DOUBLE_EQ(g.knob->Value(), 0.3);
    EXPECT_EQ(plugin.events, (Events{"perform 0 0.3"}));

    // An empty commit is the plain value 0, clamped into the range.
    g.PromptUserInput(g.knob, 0, PixelRect{10, 10, 50, 26});
    SetWindowTextA(static_cast<HWND>(g.TextEntryWindow()), "");
    SendMessageA(static_cast<HWND>(g.TextEntryWindow()), WM_KEYDOWN, VK_RETURN, 0);
    tick();
    EXPECT_EQ(g.knob->Value(), 0.0);

    // A click on the panel while the entry has the focus cancels it.
    g.PromptUserInput(g.knob, 0, PixelRect{10, 10, 50, 26});
    SetWindowTextA(static_cast<HWND>(g.TextEntryWindow()), "0.8");
    Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 80, 70);
    EXPECT_EQ(g.EntryState(), GraphicsWin::kEntryCancel);
    tick();
    EXPECT_EQ(g.TextEntryWindow(), nullptr);
    EXPECT_EQ(g.knob->Value(), 0.0);
}

TEST(GraphicsWin, LoadsPngResourcesByIdWhenTheNameSaysPng) {
    RecordingPlugin plugin;
    GraphicsWin g(&plugin, 774, 237, 25, {});
    for (const char* name : {"resources/img/BG.png", "BG.PNG", "x.Png"}) {
        std::unique_ptr<raster::RasterBitmap> image = g.LoadImageResource(103, name);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->Width(), 774);
        EXPECT_EQ(image->Height(), 237);
    }
    EXPECT_TRUE(g.LoadImageResource(103 + 65536, "BG.png"));  // ids are 16-bit
    EXPECT_FALSE(g.LoadImageResource(103, "BG.bmp"));
    EXPECT_FALSE(g.LoadImageResource(103, "png"));
    EXPECT_FALSE(g.LoadImageResource(100, "missing.png"));
}

// Chooses an item of the popup menu the editor shows, from inside the menu's own loop: a thread
// timer fires there and posts keys to the editor's window. The menu loop reads the keys of its
// thread's queue, so nothing outside this process can take them; a menu still open after three
// seconds is closed, failing the test rather than hanging it.
struct MenuDriver {
    static inline HWND window = nullptr;
    static inline std::vector<WPARAM> keys;
    static inline std::string fifth;  // the text of the top menu's fifth item
    static inline UINT_PTR giveUp = 0;
    static void CALLBACK Press(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (HWND menuWindow = FindMenuWindow()) {
            auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
            char text[64] = {};
            if (menu) GetMenuStringA(menu, 4, text, sizeof text, MF_BYPOSITION);
            fifth = text;
        }
        for (WPARAM key : keys) {
            PostMessageA(window, WM_KEYDOWN, key, 1);
            PostMessageA(window, WM_KEYUP, key, 1 | 0xC0000000);
        }
        giveUp = SetTimer(nullptr, 0, 3000, GiveUp);
    }
    static void Done() { KillTimer(nullptr, giveUp); }
    static void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        EndMenu();
    }
    static HWND FindMenuWindow() {
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM data) {
                char name[16] = {};
                GetClassNameA(hwnd, name, sizeof name);
                if (std::strcmp(name, "#32768") != 0 || !IsWindowVisible(hwnd)) return TRUE;
                *reinterpret_cast<HWND*>(data) = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }
};

TEST(GraphicsWin, NumbersMenuItemsAndFindsTheChosenOneInItsSubmenu) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor g(&plugin);
    ASSERT_NE(g.OpenEditorWindow(host.hwnd), nullptr);
    MenuDriver::window = g.Window();
    PopupMenu menu;
    menu.numbering = 2;
    menu.Add("a");
    PopupMenuItem& withSub = menu.Add("b");
    withSub.submenu = std::make_unique<PopupMenu>();
    withSub.submenu->Add("c");
    withSub.submenu->Add("d");
    menu.Add("e");
    menu.Add("f");
    menu.Add("g");
    // Down to "b", into its submenu (its first item, command id 5), and choose it.
    MenuDriver::keys = {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN};
    SetTimer(nullptr, 0, 200, MenuDriver::Press);
    PopupMenu* chosen = g.RunPopupMenu(menu, PixelRect{10, 10, 20, 20});
    MenuDriver::Done();
    EXPECT_EQ(MenuDriver::fifth, "05: g");
    ASSERT_EQ(chosen, withSub.submenu.get());
    EXPECT_EQ(chosen->chosen, 0);
    EXPECT_EQ(menu.chosen, -1);

    // Dismissed: nothing chosen.
    MenuDriver::keys = {VK_ESCAPE, VK_ESCAPE};
    SetTimer(nullptr, 0, 200, MenuDriver::Press);
    EXPECT_EQ(g.RunPopupMenu(menu, PixelRect{10, 10, 20, 20}), nullptr);
    MenuDriver::Done();
}

TEST(GraphicsWin, ReadsClipboardTextAsUtf8) {
    HostWindow host;
    RecordingPlugin plugin;
    GraphicsWin g(&plugin, 100, 80, 25, {});
    const wchar_t text[] = L"\u00e9t\u00e9 -3 dB";
    ASSERT_TRUE(OpenClipboard(host.hwnd));
    EmptyClipboard();
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    std::memcpy(GlobalLock(data), text, sizeof text);
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
    std::string read;
    ASSERT_TRUE(g.ClipboardText(read));
    EXPECT_EQ(read, "\xC3\xA9t\xC3\xA9 -3 dB");

    ASSERT_TRUE(OpenClipboard(host.hwnd));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_FALSE(g.ClipboardText(read));
    EXPECT_EQ(read, "");
}

TEST(GraphicsWin, FindsItsFoldersAndPutsAHiddenCursorBack) {
    RecordingPlugin plugin;
    GraphicsWin g(&plugin, 100, 80, 25, {});
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe = path;
    const std::string dir = g.HostExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_EQ(exe.substr(0, dir.size()), dir);
    EXPECT_EQ(exe.find('\\', dir.size()), std::string::npos);
    EXPECT_EQ(g.ModuleDir(), dir);  // the editor's code is in this program
    EXPECT_FALSE(g.DesktopDir().empty());
    EXPECT_FALSE(g.UserAppDataDir().empty());

    SetCursorPos(120, 90);
    g.ConcealCursor();
    SetCursorPos(5, 7);
    g.ConcealCursor();  // already hidden: the first position stays
    g.RevealCursor();
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 120);
    EXPECT_EQ(p.y, 90);
}

TEST(GraphicsWin, MakesATooltipControlOnlyWhenTooltipsAreEnabled) {
    HostWindow host;
    RecordingPlugin plugin;
    WinEditor plain(&plugin), tipped(&plugin);
    tipped.SetTooltipsEnabled(true);
    ASSERT_NE(plain.OpenEditorWindow(host.hwnd), nullptr);
    ASSERT_NE(tipped.OpenEditorWindow(host.hwnd), nullptr);
    EXPECT_EQ(plain.TooltipWindow(), nullptr);
    ASSERT_NE(tipped.TooltipWindow(), nullptr);
    char name[64] = {};
    GetClassNameA(static_cast<HWND>(tipped.TooltipWindow()), name, sizeof name);
    EXPECT_STREQ(name, "tooltips_class32");
    tipped.CloseEditorWindow();
    EXPECT_EQ(tipped.TooltipWindow(), nullptr);
}

}  // namespace
}  // namespace tesselor::graphics::test
