#pragma once

#include <memory>
#include <string>

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "raster/MemBitmap.h"

namespace tesselor::tools {

// Windows only. A plug-in's editor shown the way a Windows DAW shows it: the controller's "editor"
// view attached to a top-level window of the host's ("HWND"), with a frame that follows the
// view's resize requests, and the host's message loop. Input arrives as the mouse messages
// Windows would post to the editor's own child window.
//
// Threads: the thread that opens it, which must also pump its messages (WaitForTicks).
class HostEditorWindow {
public:
    // Null with `error` set when the view is refused, does not take "HWND" or opens no window.
    static std::unique_ptr<HostEditorWindow> Open(Steinberg::Vst::IEditController* controller,
                                                  std::string* error);
    // Removes the view, releases it and destroys the host's window.
    ~HostEditorWindow();
    HostEditorWindow(const HostEditorWindow&) = delete;
    HostEditorWindow& operator=(const HostEditorWindow&) = delete;

    // The editor's size in pixels.
    int Width() const;
    int Height() const;

    // Posts a left press and release at (x, y), editor pixels.
    void Click(int x, int y);
    // Posts a left press at (x, y), moves with the button held to (x + dx, y + dy) in steps of at
    // most 8 pixels, and a release there.
    void Drag(int x, int y, int dx, int dy);
    // Runs the message loop until the editor's window has had `ticks` timer messages; false when
    // `timeoutMs` pass first.
    bool WaitForTicks(int ticks, int timeoutMs);
    // The editor window's pixels as the screen shows them (alpha 255); null when unreadable.
    std::unique_ptr<raster::MemBitmap> Capture();

private:
    HostEditorWindow();

    struct Impl;
    std::unique_ptr<Impl> _impl;
};

}  // namespace tesselor::tools
