#include "graphics/win32/GraphicsWin.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>

#include "framework/PluginBase.h"
#include "graphics/Control.h"
#include "graphics/ModuleImages.h"
#include "graphics/PlatformGraphics.h"
#include "graphics/win32/GraphicsWinImpl.h"
#include "raster/GdiDeviceContext.h"
#include "raster/PngLoader.h"

namespace tesselor::graphics {

namespace {

constexpr char kWindowClass[] = "TesselorWndClass";
constexpr UINT_PTR kRedrawTimer = 2;
constexpr int kEntryId = 99;                   // child id of the text entry
constexpr LONG_PTR kEntryMarker = 0xDEADF00B;  // the entry's user data
constexpr int kEntryTextBytes = 32;            // read back from the entry, NUL included
constexpr int kWheelDelta = 120;               // one notch, as WHEEL_DELTA
constexpr DWORD kSmallestPng = 8;              // bytes: the signature alone

// Process-wide, touched on the UI thread only: the open editor windows of this module (the class
// is registered while there are any) and the redraw rate the last opened window asked for.
int gOpenWindows = 0;
double gFrameRate = 25.0;  // ticks per second

// The module that holds this code: the plug-in's DLL, or the program that links the editor.
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

PixelRect FromRect(const RECT& r) {
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
            static_cast<int>(r.bottom)};
}

MouseModifiers Modifiers(WPARAM keys) {
    MouseModifiers m;
    m.left = (keys & MK_LBUTTON) != 0;
    m.right = (keys & MK_RBUTTON) != 0;
    m.shift = (keys & MK_SHIFT) != 0;
    m.control = (keys & MK_CONTROL) != 0;
    m.alt = GetKeyState(VK_MENU) < 0;
    return m;
}

// A virtual-key code as the controls know keys; -1 for keys they never see. Codes 97..122 (the
// keypad's 1-9 and operators, F1-F11) take the letters' offset and so arrive as letters: kept as
// Windows plug-ins built this way have always behaved.
int KeyCodeFor(WPARAM key) {
    switch (key) {
        case VK_SPACE:
            return kKeySpace;
        case VK_UP:
            return kKeyUp;
        case VK_DOWN:
            return kKeyDown;
        case VK_LEFT:
            return kKeyLeft;
        case VK_RIGHT:
            return kKeyRight;
        default:
            break;
    }
    if (key >= '0' && key <= '9') return static_cast<int>(key) - '0' + kKeyDigit0;
    if (key >= 'A' && key <= 'Z') return static_cast<int>(key) - 'A' + kKeyLetterA;
    if (key >= 97 && key <= 122) return static_cast<int>(key) - 97 + kKeyLetterA;
    return -1;
}

}  // namespace

std::unique_ptr<Graphics> CreatePlatformGraphics(framework::PluginBase* plugin, int width,
                                                 int height, int frameRate,
                                                 EditorResources resources) {
    return std::make_unique<GraphicsWin>(plugin, width, height, frameRate, resources);
}

GraphicsWin::GraphicsWin(framework::PluginBase* plugin, int width, int height, int frameRate,
                         EditorResources resources)
    : Graphics(plugin, width, height, frameRate, resources),
      _impl(std::make_unique<Impl>(
          *this, resources.module ? static_cast<HINSTANCE>(resources.module) : ThisModule())) {}

GraphicsWin::~GraphicsWin() { CloseEditorWindow(); }

// ---- Window ----

void* GraphicsWin::OpenEditorWindow(void* parent) {
    Impl& w = *_impl;
    HWND parentWindow = static_cast<HWND>(parent);
    int x = 0, y = 0, width = Width(), height = Height();
    if (w.window) {
        // Reopened elsewhere: the old window's place and size, in the new parent.
        RECT r;
        GetWindowRect(w.window, &r);
        POINT topLeft = {r.left, r.top};
        ScreenToClient(parentWindow, &topLeft);
        x = topLeft.x;
        y = topLeft.y;
        width = r.right - r.left;
        height = r.bottom - r.top;
        CloseEditorWindow();
    }
    w.parent = parentWindow;
    if (gOpenWindows++ == 0) Impl::RegisterWindowClass(w.module);
    gFrameRate = FrameRate() > 0 ? FrameRate() : 25;
    w.window = CreateWindowExA(0, kWindowClass, "Tesselor", WS_CHILD | WS_VISIBLE, x, y, width,
                               height, parentWindow, nullptr, w.module, &w);
    if (!w.window) {
        if (--gOpenWindows == 0) UnregisterClassA(kWindowClass, w.module);
        return nullptr;
    }
    MarkAllDirty();
    if (TooltipsEnabled()) w.OpenTooltips();
    return w.window;
}

void GraphicsWin::CloseEditorWindow() {
    Impl& w = *_impl;
    if (!w.window) return;
    RevealCursor();  // a cursor hidden by the editor must not stay hidden without it
    if (w.tooltip) DestroyWindow(w.tooltip);
    w.tooltip = nullptr;
    w.tooltipShown = false;
    w.tooltipControl = -1;
    // The entry is a child: it goes with the window; what pointed at it goes too.
    DestroyWindow(w.window);
    w.window = nullptr;
    w.entry = nullptr;
    w.entryControl = nullptr;
    w.entryParam = -1;
    w.previousEntryProc = nullptr;
    w.entryState = kEntryIdle;
    if (w.entryFont) DeleteObject(w.entryFont);
    w.entryFont = nullptr;
    if (--gOpenWindows == 0) UnregisterClassA(kWindowClass, w.module);
}

void* GraphicsWin::WindowHandle() const { return _impl->window; }

void* GraphicsWin::TextEntryWindow() const { return _impl->entry; }

void* GraphicsWin::TooltipWindow() const { return _impl->tooltip; }

GraphicsWin::TextEntryState GraphicsWin::EntryState() const { return _impl->entryState; }

bool GraphicsWin::PresentRect(const PixelRect& r) {
    Impl& w = *_impl;
    if (!w.window) return true;  // drawn into the surface; there is no screen to show it on
    HDC source = static_cast<HDC>(raster::GdiDeviceContext(Surface()->DeviceContext()));
    PAINTSTRUCT paint;
    HDC target = BeginPaint(w.window, &paint);
    if (target && source)
        BitBlt(target, r.left, r.top, r.Width(), r.Height(), source, r.left, r.top, SRCCOPY);
    EndPaint(w.window, &paint);
    return true;
}

void GraphicsWin::ResizeEditor(int width, int height) {
    if (width == Width() && height == Height()) return;
    const int dw = width - Width();
    const int dh = height - Height();
    Impl& w = *_impl;
    w.CloseTextEntry();  // its control is about to go
    Graphics::ResizeEditor(width, height);
    if (!w.window) return;
    RECT r;
    GetWindowRect(w.window, &r);
    SetWindowPos(w.window, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(w.window, nullptr, FALSE);
}

std::unique_ptr<raster::RasterBitmap> GraphicsWin::LoadImageResource(int id, const char* name) {
    if (!HasPngExtension(name)) return nullptr;
    HINSTANCE module = _impl->module;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), "PNG");
    if (!found) return nullptr;
    const DWORD size = SizeofResource(module, found);
    if (size < kSmallestPng || size > static_cast<DWORD>(INT32_MAX)) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    // Resource memory belongs to the module: decoded in place, never freed or copied.
    return raster::LoadPngFromMemory(bytes, static_cast<int>(size));
}

// ---- Window procedure ----

bool GraphicsWin::Impl::RegisterWindowClass(HINSTANCE module) {
    WNDCLASSA c = {};
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = &WindowProc;
    c.hInstance = module;
    c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    c.lpszClassName = kWindowClass;
    return RegisterClassA(&c) != 0;
}

LRESULT CALLBACK GraphicsWin::Impl::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_CREATE) {
        auto* w = static_cast<Impl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        w->window = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        SetTimer(hwnd, kRedrawTimer, static_cast<UINT>(1000.0 / gFrameRate), nullptr);
        SetFocus(hwnd);
        return 0;
    }
    auto* w = reinterpret_cast<Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!w || w->window != hwnd) return DefWindowProcA(hwnd, message, wParam, lParam);
    return w->HandleMessage(message, wParam, lParam);
}

LRESULT GraphicsWin::Impl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (entry && entryState == kEntryActive) {
        // While the entry has the focus the panel stands still: a press outside it cancels it.
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
            entryState = kEntryCancel;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return 0;
        case WM_PAINT: {
            RECT update;
            if (GetUpdateRect(window, &update, FALSE) && !IsRectEmpty(&update))
                g.DrawDirty(FromRect(update));
            // An editor without controls draws nothing and so never begins painting; the area
            // is validated anyway, or Windows would send this message for ever.
            ValidateRect(window, nullptr);
            return 0;
        }
        case WM_CLOSE:
            g.CloseEditorWindow();
            return 0;
        case WM_KEYDOWN:
            HandleKeyDown(wParam, lParam);
            return 0;
        case WM_KEYUP:
            if (HWND root = GetAncestor(window, GA_ROOT); root && root != window)
                SendMessageA(root, message, wParam, lParam);
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_TIMER:
            if (wParam == kRedrawTimer) HandleTimer();
            return 0;
        case WM_CTLCOLOREDIT: {
            if (!entry || !entryControl) break;
            HDC dc = reinterpret_cast<HDC>(wParam);
            const TextStyle& s = entryControl->Style();
            SetBkColor(dc, RGB(s.entryBackground.r, s.entryBackground.g, s.entryBackground.b));
            SetTextColor(dc, RGB(s.entryText.r, s.entryText.g, s.entryText.b));
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
        }
        case WM_MOUSEMOVE: {
            const MouseModifiers mods = Modifiers(wParam);
            if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
                if (GetCapture() == window && !entry) g.HandleMouseDrag(x, y, mods);
                return 0;
            }
            const int previous = g.MouseOverIndex();
            if (g.HandleMouseOver(x, y, mods)) {
                const int now = g.MouseOverIndex();
                TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, HOVER_DEFAULT};
                if (g.TooltipsEnabled() && now != previous && now >= 0) track.dwFlags |= TME_HOVER;
                TrackMouseEvent(&track);
                if (now != previous) {
                    tooltipControl = now;
                    ClearTooltip();
                }
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            ClearTooltip();
            if (entry) {
                entryState = kEntryCommit;
                return 0;
            }
            SetFocus(window);
            SetCapture(window);
            g.HandleMouseDown(x, y, Modifiers(wParam));
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            ReleaseCapture();
            g.HandleMouseUp(x, y, Modifiers(wParam));
            return 0;
        case WM_LBUTTONDBLCLK:
            g.HandleDoubleClick(x, y, Modifiers(wParam));
            // A control that takes double-clicks as presses now holds the mouse.
            if (g.MouseCapture() >= 0) SetCapture(window);
            return 0;
        case WM_MOUSEWHEEL: {
            if (entry) {
                entryState = kEntryCancel;
                return 0;
            }
            // The message carries screen coordinates.
            RECT r;
            GetWindowRect(window, &r);
            const int notches = static_cast<short>(HIWORD(wParam)) / kWheelDelta;
            g.HandleMouseWheel(x - r.left, y - r.top, Modifiers(GET_KEYSTATE_WPARAM(wParam)),
                               notches);
            return 0;
        }
        case WM_MOUSEHOVER: {
            const Control* c = g.ControlAt(tooltipControl);
            SetTooltipText(c ? c->Tooltip().c_str() : "");
            tooltipShown = tooltip != nullptr;
            return 0;
        }
        case WM_MOUSELEAVE:
            ClearTooltip();
            g.HandleMouseOut();
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void GraphicsWin::Impl::HandleKeyDown(WPARAM wParam, LPARAM lParam) {
    const int key = KeyCodeFor(wParam);
    if (key >= 0) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window, &p);
        if (g.HandleKeyDown(p.x, p.y, key)) return;
    }
    // Keys the editor does not use belong to the host (its shortcuts, transport).
    if (HWND root = GetAncestor(window, GA_ROOT); root && root != window)
        SendMessageA(root, WM_KEYDOWN, wParam, lParam);
    DefWindowProcA(window, WM_KEYDOWN, wParam, lParam);
}

void GraphicsWin::Impl::HandleTimer() {
    if (TextEntryTick()) return;
    PixelRect area;
    if (!g.CollectDirtyRect(&area)) return;
    RECT r = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(window, &r, FALSE);
    if (entry && entryControl) {
        // Drawn around the entry, never over it.
        const PixelRect& c = entryControl->Rect();
        RECT keep = {c.left, c.top, c.right, c.bottom};
        ValidateRect(window, &keep);
        UpdateWindow(window);
        entryState = kEntryRedrawn;
    } else {
        UpdateWindow(window);
    }
}

// ---- Text entry ----

void GraphicsWin::OpenTextEntry(Control* control, const TextStyle& style, const PixelRect& r,
                                const char* text, int paramIndex) {
    Impl& w = *_impl;
    if (!control || w.entry || !w.window) return;
    DWORD align = ES_LEFT;
    if (style.alignment == kAlignCenter) align = ES_CENTER;
    if (style.alignment == kAlignFar) align = ES_RIGHT;
    HWND entry = CreateWindowExA(
        0, "EDIT", text ? text : "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_MULTILINE | align,
        r.left, r.top, r.Width() + 1, r.Height() + 1, w.window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryId)), w.module, nullptr);
    if (!entry) return;
    w.entryFont =
        CreateFontA(style.size, 0, 0, 0, style.style == kTextBold ? FW_BOLD : FW_DONTCARE,
                    style.style == kTextItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, style.face);
    SendMessageA(entry, EM_LIMITTEXT, static_cast<WPARAM>(std::max(control->TextEntryLimit(), 0)),
                 0);
    if (w.entryFont) SendMessageA(entry, WM_SETFONT, reinterpret_cast<WPARAM>(w.entryFont), FALSE);
    SendMessageA(entry, EM_SETSEL, 0, -1);
    w.entry = entry;
    w.entryControl = control;
    w.entryParam = paramIndex;
    w.entryState = kEntryIdle;
    w.previousEntryProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Impl::EntryProc)));
    SetWindowLongPtrA(entry, GWLP_USERDATA, kEntryMarker);
    SetFocus(entry);
}

void GraphicsWin::CancelTextEntry() {
    if (_impl->entry) _impl->entryState = kEntryCancel;
}

bool GraphicsWin::Impl::TextEntryTick() {
    if (!entry || entryState == kEntryIdle || entryState == kEntryActive) return false;
    if (entryState == kEntryRedrawn) {
        entryState = kEntryIdle;
        return true;
    }
    if (entryState == kEntryCommit) {
        char text[kEntryTextBytes] = {};
        SendMessageA(entry, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        g.CommitTextEntry(entryControl, entryParam, text);
    }
    CloseTextEntry();
    return true;
}

void GraphicsWin::Impl::CloseTextEntry() {
    if (!entry) return;
    HWND closing = entry;
    SetWindowLongPtrA(closing, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousEntryProc));
    entry = nullptr;
    entryControl = nullptr;
    entryParam = -1;
    previousEntryProc = nullptr;
    entryState = kEntryIdle;
    DestroyWindow(closing);
    if (entryFont) DeleteObject(entryFont);
    entryFont = nullptr;
}

LRESULT CALLBACK GraphicsWin::Impl::EntryProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* w = reinterpret_cast<Impl*>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
    if (!w || w->entry != hwnd || GetWindowLongPtrA(hwnd, GWLP_USERDATA) != kEntryMarker)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return w->HandleEntryMessage(message, wParam, lParam);
}

LRESULT GraphicsWin::Impl::HandleEntryMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    ClearTooltip();
    const WNDPROC previous = previousEntryProc;
    const framework::PluginParam* param =
        g.Plugin() && entryParam >= 0 ? g.Plugin()->Param(entryParam) : nullptr;
    switch (message) {
        case WM_SETFOCUS:
            entryState = kEntryActive;
            break;
        case WM_KILLFOCUS:
            entryState = kEntryCommit;
            break;
        case WM_GETDLGCODE: {
            LRESULT code = CallWindowProcA(previous, entry, message, wParam, lParam);
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            if (!param && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
                code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                entryState = kEntryCommit;
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                entryState = kEntryCancel;
                return 0;
            }
            break;
        case WM_CHAR: {
            if (!param || wParam == VK_BACK) break;
            const bool digitLike =
                wParam == '+' || wParam == '-' || (wParam >= '0' && wParam <= '9');
            const bool point = wParam == '.' && param->Kind() == framework::kParamContinuous;
            if (!digitLike && !point) return 0;
            break;
        }
        default:
            break;
    }
    return CallWindowProcA(previous, entry, message, wParam, lParam);
}

// ---- Tooltips ----

void GraphicsWin::Impl::OpenTooltips() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window,
                              nullptr, module, nullptr);
    bool added = false;
    if (tooltip) {
        SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32 version
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(window);
        tool.lpszText = const_cast<char*>("");
        added = SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
    }
    if (!added) {
        if (tooltip) DestroyWindow(tooltip);
        tooltip = nullptr;
        g.SetTooltipsEnabled(false);
    }
}

void GraphicsWin::Impl::SetTooltipText(const char* text) {
    if (!tooltip) return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void GraphicsWin::Impl::ClearTooltip() {
    if (!tooltipShown) return;
    SetTooltipText("");
    tooltipShown = false;
}

}  // namespace tesselor::graphics
