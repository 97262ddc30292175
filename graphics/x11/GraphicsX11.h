#pragma once

#include <memory>

#include "graphics/Graphics.h"

namespace tesselor::graphics {

// The editor in a Linux host: a child window, made with Xlib, of the X window the host embeds the
// editor in. Its redraw timer and the events of its X connection run on the host's event loop
// (Graphics::RunLoop, set by the view before OpenEditorWindow): no thread of its own. Each open
// window has an X connection of its own, opened with the window and closed with it, so one editor
// never sees another's events or errors, and closing leaves nothing of it in the host.
//
// Nothing here touches X before OpenEditorWindow: the plug-in makes its editor in programs and
// tests that have no display. Dialogs answer as cancelled (the base behaviour); links open with
// xdg-open.
//
// Threads: the host's UI thread only.
class GraphicsX11 : public Graphics {
public:
    GraphicsX11(framework::PluginBase* plugin, int width, int height, int frameRate,
                EditorResources resources);
    // Closes the window, if one is open.
    ~GraphicsX11() override;

    // Copies `r` of the drawing surface to the window (through MIT-SHM where the server offers
    // it) and waits until the server has it; true without a window, where there is nothing to do.
    bool PresentRect(const PixelRect& r) override;
    // `parent` is the host's X window id. Needs RunLoop(): null without one, or when the display
    // cannot be opened, the parent is no window or the host refuses the timer or the connection's
    // events. A window already open is closed first. The first tick draws the whole panel.
    void* OpenEditorWindow(void* parent) override;
    // Unregisters the timer and the event handler from the loop they were given to, destroys the
    // window and closes the connection. Safe from inside the window's own callbacks.
    void CloseEditorWindow() override;
    // The X window id, or null.
    void* WindowHandle() const override;
    const char* GraphicsApiName() const override { return "X11"; }
    bool OpenLink(const char* url, const char* title, const char* confirmation,
                  const char* failure) override;

    // True while the open window is drawn through a shared-memory image.
    bool UsesSharedMemory() const;

private:
    struct WindowState;

    void OnTimer();
    void OnConnectionReadable();
    // Handles every event the connection has received, until a handler closes the window.
    void DispatchEvents(const std::shared_ptr<WindowState>& w);

    // Shared with the loop callbacks, which hold it while they run: a handler that ends up in
    // CloseEditorWindow (a host removing the view from inside an edit) leaves them a closed state
    // to notice rather than a freed one.
    std::shared_ptr<WindowState> _window;
};

}  // namespace tesselor::graphics
