#include "graphics/x11/GraphicsX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "graphics/HostRunLoop.h"
#include "graphics/PlatformGraphics.h"
#include "graphics/x11/X11Input.h"
#include "graphics/x11/XdgOpen.h"

namespace tesselor::graphics {

namespace {

// ---- Errors ----
//
// Xlib's default handlers end the process: on any protocol error, and when a connection breaks.
// A host that destroys its window before it removes the view makes every later request on ours
// fail, and an X server that goes away (XWayland under a host that lives on) breaks ours. On the
// editors' connections, errors are therefore counted and a broken connection only closes its
// window; other connections (the host's) go on to the handlers installed before ours. Handlers are
// process-wide, so ours are installed while at least one editor window is open and put back when
// the last one closes (the module may be unloaded). They run on whichever thread reads a
// connection, hence the atomics.

constexpr int kMaxConnections = 64;  // editor windows open at once in one process

std::atomic<Display*> gConnections[kMaxConnections];
std::atomic<int> gErrorCounts[kMaxConnections];
std::atomic<XErrorHandler> gPreviousHandler{nullptr};
std::atomic<XIOErrorHandler> gPreviousIOHandler{nullptr};
int gOpenConnections = 0;  // UI thread only

int FindConnection(Display* display) {
    for (int i = 0; i < kMaxConnections; ++i) {
        if (gConnections[i].load(std::memory_order_acquire) == display) return i;
    }
    return -1;
}

int OnXError(Display* display, XErrorEvent* error) {
    if (const int slot = FindConnection(display); slot >= 0) {
        gErrorCounts[slot].fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    const XErrorHandler previous = gPreviousHandler.load(std::memory_order_acquire);
    return previous ? previous(display, error) : 0;
}

// Returning lets Xlib go on to the connection's own exit handler (OnConnectionLost) rather than
// end the process.
int OnXIOError(Display* display) {
    if (FindConnection(display) >= 0) return 0;
    const XIOErrorHandler previous = gPreviousIOHandler.load(std::memory_order_acquire);
    return previous ? previous(display) : 0;
}

// A slot for `display`'s errors, or -1 when every slot is taken.
int RegisterConnection(Display* display) {
    for (int i = 0; i < kMaxConnections; ++i) {
        if (gConnections[i].load(std::memory_order_relaxed)) continue;
        gErrorCounts[i].store(0, std::memory_order_relaxed);
        gConnections[i].store(display, std::memory_order_release);
        if (gOpenConnections++ == 0) {
            const XErrorHandler previous = XSetErrorHandler(OnXError);
            if (previous != OnXError) gPreviousHandler.store(previous, std::memory_order_release);
            const XIOErrorHandler previousIO = XSetIOErrorHandler(OnXIOError);
            if (previousIO != OnXIOError)
                gPreviousIOHandler.store(previousIO, std::memory_order_release);
        }
        return i;
    }
    return -1;
}

void UnregisterConnection(int slot) {
    gConnections[slot].store(nullptr, std::memory_order_release);
    if (--gOpenConnections > 0) return;
    // Where someone installed a handler after ours, theirs stays (ours, behind it, passes on).
    const XErrorHandler current = XSetErrorHandler(gPreviousHandler.load());
    if (current != OnXError) XSetErrorHandler(current);
    const XIOErrorHandler currentIO = XSetIOErrorHandler(gPreviousIOHandler.load());
    if (currentIO != OnXIOError) XSetIOErrorHandler(currentIO);
}

int ErrorCount(int slot) { return gErrorCounts[slot].load(std::memory_order_relaxed); }

// ---- Pixel formats ----

// How one colour channel of the raster layer's 8 bits sits in a visual's pixel.
struct ChannelMask {
    int shift = 0;
    unsigned long max = 0;  // the channel's largest value, mask >> shift

    explicit ChannelMask(unsigned long mask)
        : shift(mask ? std::countr_zero(mask) : 0), max(mask ? mask >> shift : 0) {}
    unsigned long Place(uint32_t value8) const { return ((value8 * max + 127) / 255) << shift; }
};

constexpr unsigned long kRedMask = 0xFF0000;  // the raster word's layout: 0xAARRGGBB
constexpr unsigned long kGreenMask = 0x00FF00;
constexpr unsigned long kBlueMask = 0x0000FF;

// Bits per pixel of the server's images of `depth`, 0 when it has none.
int BitsPerPixel(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats) XFree(formats);
    return bits;
}

// _XEMBED_INFO: protocol version 0, XEMBED_MAPPED. Hosts that embed through XEmbed map the
// window when it asks to be; the others ignore the property.
void AnnounceXEmbed(Display* display, ::Window window) {
    const long info[2] = {0, 1};
    const Atom atom = XInternAtom(display, "_XEMBED_INFO", False);
    XChangeProperty(display, window, atom, atom, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | LeaveWindowMask | StructureNotifyMask;
constexpr unsigned int kButtonMasks = Button1Mask | Button2Mask | Button3Mask;

}  // namespace

// The open window with its connection. `closed` is the one field that may be read after
// CloseEditorWindow; everything else is torn down then.
struct GraphicsX11::WindowState {
    Display* display = nullptr;
    int errorSlot = -1;
    ::Window window = 0;
    ::Window parent = 0;
    Visual* visual = nullptr;
    int depth = 0;
    int width = 0;  // pixels, the window's size when opened
    int height = 0;
    GC gc = nullptr;
    // The window's pixels have the raster word's layout (TrueColor, 32 bits, 0xRRGGBB): the
    // surface's rows go out as they are. Otherwise each pixel is converted into `converted`.
    bool sameLayout = false;
    XImage* shmImage = nullptr;  // the window's size, in a shared segment
    XShmSegmentInfo shm{};
    XImage* converted = nullptr;  // the window's size, for other layouts
    HostRunLoop* loop = nullptr;  // the one the handlers below were given to
    int timerId = 0;
    int readerId = 0;
    DoubleClickDetector clicks;
    bool grabbed = false;    // the pointer is ours while a control has the mouse
    bool destroyed = false;  // the server destroyed the window (the host's parent went first)
    bool lost = false;       // the connection broke
    bool closed = false;

    bool Create(::Window parentWindow, int w, int h);
    void SetUpSharedImage();
    void SetUpConversion();
    void Present(raster::RasterBitmap& surface, int left, int top, int right, int bottom);
    void Dispatch(GraphicsX11& g, XEvent& e);
    void PassKeyToHost(XEvent e);
    void TearDown();
};

namespace {

// Xlib calls this, after OnXIOError, when the connection breaks; the window is then closed at its
// next callback.
void OnConnectionLost(Display*, void* lost) { *static_cast<bool*>(lost) = true; }

}  // namespace

bool GraphicsX11::WindowState::Create(::Window parentWindow, int w, int h) {
    display = XOpenDisplay(nullptr);
    if (!display) return false;
    errorSlot = RegisterConnection(display);
    if (errorSlot < 0) return false;
    XSetIOErrorExitHandler(display, OnConnectionLost, &lost);
    parent = parentWindow;
    width = w;
    height = h;

    // The parent's screen gives the visual; the parent itself may have another (a compositing
    // host's 32-bit one), which is why the colormap and border are given.
    XWindowAttributes parentAttributes;
    if (!XGetWindowAttributes(display, parent, &parentAttributes) || ErrorCount(errorSlot) > 0)
        return false;
    Screen* screen = parentAttributes.screen;
    visual = DefaultVisualOfScreen(screen);
    depth = DefaultDepthOfScreen(screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) return false;
    sameLayout = visual->red_mask == kRedMask && visual->green_mask == kGreenMask &&
                 visual->blue_mask == kBlueMask && BitsPerPixel(display, depth) == 32;

    XSetWindowAttributes attributes{};
    attributes.colormap = DefaultColormapOfScreen(screen);
    attributes.border_pixel = 0;
    attributes.event_mask = kEventMask;
    window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, depth, InputOutput, visual,
                           CWColormap | CWBorderPixel | CWEventMask, &attributes);
    gc = XCreateGC(display, window, 0, nullptr);
    AnnounceXEmbed(display, window);
    XMapWindow(display, window);
    XSync(display, False);
    if (ErrorCount(errorSlot) > 0) return false;

    if (sameLayout) SetUpSharedImage();
    if (!sameLayout) SetUpConversion();
    return sameLayout || converted;
}

void GraphicsX11::WindowState::SetUpSharedImage() {
    // A remote display refuses the segment (BadAccess on attach): plain XPutImage then.
    if (!XShmQueryExtension(display)) return;
    XImage* image =
        XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm,
                        static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image) return;
    if (image->bits_per_pixel != 32 || image->byte_order != LSBFirst) {
        XDestroyImage(image);
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * image->height;
    shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shm.shmid < 0) {
        XDestroyImage(image);
        return;
    }
    void* address = shmat(shm.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(shm.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        return;
    }
    shm.shmaddr = image->data = static_cast<char*>(address);
    shm.readOnly = False;
    const int errorsBefore = ErrorCount(errorSlot);
    XShmAttach(display, &shm);
    XSync(display, False);
    // Marked for removal at once: the segment goes when the last side detaches, even if this
    // process never gets to detach it.
    shmctl(shm.shmid, IPC_RMID, nullptr);
    if (ErrorCount(errorSlot) != errorsBefore) {
        shmdt(shm.shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        return;
    }
    shmImage = image;
}

void GraphicsX11::WindowState::SetUpConversion() {
    const int bits = BitsPerPixel(display, depth);
    if (bits <= 0) return;
    converted = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!converted) return;
    converted->data = static_cast<char*>(std::calloc(
        static_cast<std::size_t>(converted->bytes_per_line), static_cast<std::size_t>(height)));
    if (!converted->data) {
        XDestroyImage(converted);
        converted = nullptr;
    }
}

void GraphicsX11::WindowState::Present(raster::RasterBitmap& surface, int left, int top, int right,
                                       int bottom) {
    const int w = right - left;
    const int h = bottom - top;
    if (shmImage) {
        for (int y = top; y < bottom; ++y) {
            std::memcpy(shmImage->data + static_cast<std::ptrdiff_t>(y) * shmImage->bytes_per_line +
                            left * 4,
                        surface.Row(y) + left, static_cast<std::size_t>(w) * 4);
        }
        XShmPutImage(display, window, gc, shmImage, left, top, left, top, static_cast<unsigned>(w),
                     static_cast<unsigned>(h), False);
    } else if (sameLayout) {
        // An image header over the surface's own rows: XPutImage copies them out before it returns.
        XImage image{};
        image.width = surface.Width();
        image.height = surface.Height();
        image.format = ZPixmap;
        image.data = reinterpret_cast<char*>(surface.Row(0));
        image.byte_order = LSBFirst;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = LSBFirst;
        image.bitmap_pad = 32;
        image.depth = depth;
        image.bytes_per_line = static_cast<int>(surface.RowStep() * 4);
        image.bits_per_pixel = 32;
        image.red_mask = kRedMask;
        image.green_mask = kGreenMask;
        image.blue_mask = kBlueMask;
        if (surface.RowStep() < 0 || !XInitImage(&image)) return;
        XPutImage(display, window, gc, &image, left, top, left, top, static_cast<unsigned>(w),
                  static_cast<unsigned>(h));
    } else {
        const ChannelMask red(visual->red_mask), green(visual->green_mask), blue(visual->blue_mask);
        for (int y = top; y < bottom; ++y) {
            const uint32_t* row = surface.Row(y);
            for (int x = left; x < right; ++x) {
                const uint32_t p = row[x];
                XPutPixel(converted, x, y,
                          red.Place((p >> 16) & 0xFF) | green.Place((p >> 8) & 0xFF) |
                              blue.Place(p & 0xFF));
            }
        }
        XPutImage(display, window, gc, converted, left, top, left, top, static_cast<unsigned>(w),
                  static_cast<unsigned>(h));
    }
    // Waiting for the server gives back-pressure (a slow remote display never has frames queued
    // behind each other) and is what allows the shared segment to be rewritten on the next tick.
    XSync(display, False);
}

void GraphicsX11::WindowState::Dispatch(GraphicsX11& g, XEvent& e) {
    if (e.xany.window != window) return;
    switch (e.type) {
        case Expose: {
            // What the window lost is still in the surface: copied again, not redrawn.
            const XExposeEvent& x = e.xexpose;
            g.PresentRect({x.x, x.y, x.x + x.width, x.y + x.height});
            break;
        }
        case ButtonPress: {
            const XButtonEvent& b = e.xbutton;
            if (const int notches = WheelNotches(static_cast<int>(b.button))) {
                g.HandleMouseWheel(b.x, b.y, ModifiersForState(b.state), notches);
                break;
            }
            if (b.button < Button1 || b.button > Button3) break;
            const MouseModifiers mods =
                ModifiersForState(b.state, static_cast<int>(b.button), true);
            if (b.button == Button1 && clicks.Press(b.x, b.y, b.time)) {
                g.HandleDoubleClick(b.x, b.y, mods);
            } else {
                if (b.button != Button1) clicks.Reset();
                g.HandleMouseDown(b.x, b.y, mods);
            }
            if (closed) break;
            // A drag keeps its control even outside the window, until the last button is up.
            if (g.MouseCapture() >= 0 && !grabbed) {
                grabbed =
                    XGrabPointer(display, window, False,
                                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 GrabModeAsync, GrabModeAsync, None, None, b.time) == GrabSuccess;
            }
            break;
        }
        case ButtonRelease: {
            const XButtonEvent& b = e.xbutton;
            if (b.button < Button1 || b.button > Button3) break;
            const unsigned int released = Button1Mask << (b.button - Button1);
            if (grabbed && (b.state & kButtonMasks & ~released) == 0) {
                XUngrabPointer(display, b.time);
                grabbed = false;
            }
            g.HandleMouseUp(b.x, b.y,
                            ModifiersForState(b.state, static_cast<int>(b.button), false));
            break;
        }
        case MotionNotify: {
            // Only the latest of the queued moves matters: each drag step is an edit the host
            // hears.
            while (XEventsQueued(display, QueuedAlready) > 0) {
                XEvent next;
                XPeekEvent(display, &next);
                if (next.type != MotionNotify || next.xmotion.window != window ||
                    next.xmotion.state != e.xmotion.state)
                    break;
                XNextEvent(display, &e);
            }
            const XMotionEvent& m = e.xmotion;
            clicks.Move(m.x, m.y);
            const MouseModifiers mods = ModifiersForState(m.state);
            if (mods.left || mods.right)
                g.HandleMouseDrag(m.x, m.y, mods);
            else
                g.HandleMouseOver(m.x, m.y, mods);
            break;
        }
        case LeaveNotify:
            if (e.xcrossing.mode == NotifyNormal) g.HandleMouseOut();
            break;
        case KeyPress: {
            const int key = KeyCodeForKeysym(XLookupKeysym(&e.xkey, 0));
            if ((key < 0 || !g.HandleKeyDown(e.xkey.x, e.xkey.y, key)) && !closed) PassKeyToHost(e);
            break;
        }
        case KeyRelease:
            PassKeyToHost(e);
            break;
        case DestroyNotify:
            destroyed = true;
            break;
        default:
            break;
    }
}

void GraphicsX11::WindowState::PassKeyToHost(XEvent e) {
    // The key came to this window because the pointer is over it; the host's shortcuts (the space
    // bar, above all) must still work there. Sent to the parent, it reaches the nearest ancestor
    // that listens for keys. The window lies at (0, 0) of the parent: the position stands.
    e.xkey.window = parent;
    e.xkey.subwindow = window;
    XSendEvent(display, parent, True, e.type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
    XFlush(display);
}

void GraphicsX11::WindowState::TearDown() {
    closed = true;
    if (loop) {
        loop->Remove(timerId);
        loop->Remove(readerId);
        loop = nullptr;
    }
    if (!display) return;
    if (shmImage && !lost) XShmDetach(display, &shm);
    if (window && !destroyed && !lost) XDestroyWindow(display, window);
    if (gc) XFreeGC(display, gc);
    // Closing waits for the server, so the segment is detached on its side before it is here.
    XCloseDisplay(display);
    if (shmImage) {
        shmdt(shm.shmaddr);
        shmImage->data = nullptr;
        XDestroyImage(shmImage);
    }
    if (converted) XDestroyImage(converted);  // frees its data too
    if (errorSlot >= 0) UnregisterConnection(errorSlot);
    display = nullptr;
    shmImage = nullptr;
    converted = nullptr;
    window = 0;
    gc = nullptr;
}

GraphicsX11::GraphicsX11(framework::PluginBase* plugin, int width, int height, int frameRate,
                         EditorResources resources)
    : Graphics(plugin, width, height, frameRate, resources) {}

GraphicsX11::~GraphicsX11() { CloseEditorWindow(); }

void* GraphicsX11::OpenEditorWindow(void* parent) {
    CloseEditorWindow();
    HostRunLoop* loop = RunLoop();
    const auto parentWindow = static_cast<::Window>(reinterpret_cast<uintptr_t>(parent));
    if (!loop || !parentWindow || !Surface() || FrameRate() <= 0) return nullptr;

    auto w = std::make_shared<WindowState>();
    if (!w->Create(parentWindow, Width(), Height())) {
        w->TearDown();
        return nullptr;
    }
    w->loop = loop;
    w->timerId = loop->AddTimer(1000 / FrameRate(), [this] { OnTimer(); });
    w->readerId = loop->AddReader(ConnectionNumber(w->display), [this] { OnConnectionReadable(); });
    if (!w->timerId || !w->readerId) {
        w->TearDown();
        return nullptr;
    }
    _window = w;
    MarkAllDirty();
    // Events that arrived while the window was made are in Xlib's queue already, where the
    // connection's descriptor no longer announces them.
    DispatchEvents(w);
    return WindowHandle();
}

void GraphicsX11::CloseEditorWindow() {
    std::shared_ptr<WindowState> w = std::move(_window);
    if (w) w->TearDown();
}

void* GraphicsX11::WindowHandle() const {
    return _window ? reinterpret_cast<void*>(static_cast<uintptr_t>(_window->window)) : nullptr;
}

bool GraphicsX11::UsesSharedMemory() const { return _window && _window->shmImage; }

bool GraphicsX11::PresentRect(const PixelRect& r) {
    WindowState* w = _window.get();
    raster::SysBitmap* surface = Surface();
    if (!w || w->destroyed || w->lost || !surface || !surface->Pixels()) return true;
    const int left = std::max(r.left, 0);
    const int top = std::max(r.top, 0);
    const int right = std::min({r.right, surface->Width(), w->width});
    const int bottom = std::min({r.bottom, surface->Height(), w->height});
    if (right > left && bottom > top) w->Present(*surface, left, top, right, bottom);
    return true;
}

void GraphicsX11::OnTimer() {
    const std::shared_ptr<WindowState> w = _window;
    if (!w) return;
    Tick();
    DispatchEvents(w);
}

void GraphicsX11::OnConnectionReadable() {
    const std::shared_ptr<WindowState> w = _window;
    if (w) DispatchEvents(w);
}

void GraphicsX11::DispatchEvents(const std::shared_ptr<WindowState>& w) {
    while (!w->closed && !w->lost && XPending(w->display) > 0) {
        XEvent e;
        XNextEvent(w->display, &e);
        w->Dispatch(*this, e);
    }
    // A broken connection only ever reports itself as readable from now on.
    if (w->lost && !w->closed && _window == w) CloseEditorWindow();
}

bool GraphicsX11::OpenLink(const char* url, const char*, const char*, const char*) {
    return OpenWithXdgOpen(url);
}

std::unique_ptr<Graphics> CreatePlatformGraphics(framework::PluginBase* plugin, int width,
                                                 int height, int frameRate,
                                                 EditorResources resources) {
    return std::make_unique<GraphicsX11>(plugin, width, height, frameRate, resources);
}

}  // namespace tesselor::graphics
