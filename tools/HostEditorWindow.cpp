#include "tools/HostEditorWindow.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pluginterfaces/gui/iplugview.h"

namespace tesselor::tools {

using namespace Steinberg;

namespace {

constexpr char kFrameClass[] = "TesselorHostFrame";
constexpr int kDragStep = 8;  // pixels per mouse move of a drag

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The host's side of the view: resize requests resize the host's window, as DAWs do, and the view
// hears the new size.
class PlugFrame : public IPlugFrame {
public:
    explicit PlugFrame(HWND window) : _window(window) {}

    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* size) override {
        if (!view || !size) return kInvalidArgument;
        SetWindowPos(_window, nullptr, 0, 0, size->getWidth(), size->getHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        view->onSize(size);
        return kResultTrue;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (!obj) return kInvalidArgument;
        if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
            FUnknownPrivate::iidEqual(iid, IPlugFrame_iid)) {
            *obj = static_cast<IPlugFrame*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }  // lives as long as the window
    uint32 PLUGIN_API release() override { return 1; }

private:
    HWND _window;
};

}  // namespace

struct HostEditorWindow::Impl {
    HWND frame = nullptr;   // the host's top-level window
    HWND editor = nullptr;  // the child window the plug-in opened in it
    IPlugView* view = nullptr;
    bool attached = false;
    std::unique_ptr<PlugFrame> plugFrame;
    int width = 0;
    int height = 0;

    void Post(UINT message, WPARAM keys, int x, int y) {
        PostMessageA(editor, message, keys, MAKELPARAM(x, y));
    }
};

HostEditorWindow::HostEditorWindow() : _impl(std::make_unique<Impl>()) {}

std::unique_ptr<HostEditorWindow> HostEditorWindow::Open(Vst::IEditController* controller,
                                                         std::string* error) {
    auto fail = [&](const char* why) {
        *error = why;
        return nullptr;
    };
    std::unique_ptr<HostEditorWindow> window(new HostEditorWindow);
    Impl& w = *window->_impl;
    w.view = controller->createView(Vst::ViewType::kEditor);
    if (!w.view) return fail("the plug-in has no editor view");
    if (w.view->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue)
        return fail("the plug-in's view does not take an HWND");

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FrameProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kFrameClass;
    RegisterClassA(&windowClass);  // fails harmlessly when a previous window registered it

    ViewRect size;
    if (w.view->getSize(&size) == kResultTrue) {
        w.width = size.getWidth();
        w.height = size.getHeight();
    }
    // A borderless window at the screen's origin: its client area is the editor, whole, with no
    // window manager needed to place it.
    w.frame = CreateWindowExA(0, kFrameClass, "Tesselor host", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                              std::max(w.width, 1), std::max(w.height, 1), nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!w.frame) return fail("cannot create the host's window");
    w.plugFrame = std::make_unique<PlugFrame>(w.frame);
    w.view->setFrame(w.plugFrame.get());
    ShowWindow(w.frame, SW_SHOWNOACTIVATE);
    if (w.view->attached(w.frame, kPlatformTypeHWND) != kResultTrue)
        return fail("the plug-in's view refused the host's window");
    w.attached = true;
    w.editor = GetWindow(w.frame, GW_CHILD);
    if (!w.editor) return fail("the plug-in opened no window in the host's");
    // A view that gave no size is shown at the size of the window it made.
    RECT client;
    GetClientRect(w.editor, &client);
    if (w.width <= 0 || w.height <= 0) {
        w.width = client.right - client.left;
        w.height = client.bottom - client.top;
        SetWindowPos(w.frame, nullptr, 0, 0, w.width, w.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateWindow(w.frame);
    return window;
}

HostEditorWindow::~HostEditorWindow() {
    Impl& w = *_impl;
    if (w.view) {
        if (w.attached) w.view->removed();
        w.view->setFrame(nullptr);
        w.view->release();
    }
    if (w.frame) DestroyWindow(w.frame);
    UnregisterClassA(kFrameClass, GetModuleHandleA(nullptr));
}

int HostEditorWindow::Width() const { return _impl->width; }

int HostEditorWindow::Height() const { return _impl->height; }

void HostEditorWindow::Click(int x, int y) {
    _impl->Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    _impl->Post(WM_LBUTTONUP, 0, x, y);
}

void HostEditorWindow::Drag(int x, int y, int dx, int dy) {
    _impl->Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    const int steps =
        std::max(1, (std::max(std::abs(dx), std::abs(dy)) + kDragStep - 1) / kDragStep);
    for (int i = 1; i <= steps; ++i)
        _impl->Post(WM_MOUSEMOVE, MK_LBUTTON, x + dx * i / steps, y + dy * i / steps);
    _impl->Post(WM_LBUTTONUP, 0, x + dx, y + dy);
}

bool HostEditorWindow::WaitForTicks(int ticks, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    int seen = 0;
    while (seen < ticks) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Counted before it is handled: the tick's drawing is done once the loop comes back.
            const bool tick = message.message == WM_TIMER && message.hwnd == _impl->editor;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            if (tick) ++seen;
        }
    }
    return true;
}

std::unique_ptr<raster::MemBitmap> HostEditorWindow::Capture() {
    Impl& w = *_impl;
    if (!w.editor || w.width <= 0 || w.height <= 0) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w.width;
    info.bmiHeader.biHeight = -w.height;  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section) return nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, section);
    HDC window = GetDC(w.editor);
    const bool copied = BitBlt(memory, 0, 0, w.width, w.height, window, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    ReleaseDC(w.editor, window);

    auto pixels = std::make_unique<raster::MemBitmap>();
    if (copied && pixels->Resize(w.width, w.height) && pixels->Pixels()) {
        const auto* from = static_cast<const uint32_t*>(bits);
        for (int y = 0; y < w.height; ++y) {
            uint32_t* row = pixels->Row(y);
            // The screen has no alpha: GDI leaves the byte at 0.
            for (int x = 0; x < w.width; ++x) row[x] = from[y * w.width + x] | 0xFF000000u;
        }
    } else {
        pixels.reset();
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
    return pixels;
}

}  // namespace tesselor::tools
