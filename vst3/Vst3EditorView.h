#pragma once

#include <memory>

#include "public.sdk/source/common/pluginview.h"

namespace tesselor::graphics {
class Graphics;
class HostRunLoop;
}  // namespace tesselor::graphics

namespace tesselor::vst3 {

class Vst3Plugin;

// The host's handle on the plug-in's editor: attached opens the editor's native child window in
// the host's, removed closes it; the editor itself (graphics::Graphics, owned by the plug-in)
// outlives every window. Holds one reference on the plug-in from creation to destruction. Without
// an editor every size and attach request answers kResultFalse, so a host shows no editor window
// rather than an empty one.
//
// On Linux the editor runs on the host's run loop, which the frame given to setFrame answers
// (Steinberg::Linux::IRunLoop): attached opens nothing without one.
//
// Threads: the host's main thread only.
class Vst3EditorView : public Steinberg::CPluginView {
public:
    explicit Vst3EditorView(Vst3Plugin* plugin);
    // Closes a window the host left open, empties the plug-in's view list and gives back the
    // reference.
    ~Vst3EditorView() override;
    Vst3EditorView(const Vst3EditorView&) = delete;
    Vst3EditorView& operator=(const Vst3EditorView&) = delete;

    // The platform's window type: "HWND" on Windows, "X11EmbedWindowID" on Linux.
    static const char* PlatformType();

    // kResultTrue for the platform's type, when the plug-in has an editor.
    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) SMTG_OVERRIDE;
    // Opens the editor's window in `parent`, of the platform's type. kResultFalse, with nothing
    // opened, for another type, a null parent, no run loop (Linux) or a window that cannot be made.
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) SMTG_OVERRIDE;
    // Closes the window and unregisters everything the editor gave the host's run loop.
    Steinberg::tresult PLUGIN_API removed() SMTG_OVERRIDE;
    // The editor's fixed size, attached or not.
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) SMTG_OVERRIDE;
    // Keys and the wheel reach the editor through its own window; those the host passes here are
    // not handled (kResultFalse), as CPluginView answers onKeyDown and onKeyUp.
    Steinberg::tresult PLUGIN_API onWheel(float) SMTG_OVERRIDE { return Steinberg::kResultFalse; }
    Steinberg::tresult PLUGIN_API onFocus(Steinberg::TBool) SMTG_OVERRIDE {
        return Steinberg::kResultFalse;
    }
    Steinberg::tresult PLUGIN_API canResize() SMTG_OVERRIDE { return Steinberg::kResultFalse; }
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect*) SMTG_OVERRIDE {
        return Steinberg::kResultFalse;
    }

    // Asks the host frame for a view of width x height pixels. False when there is no frame or
    // the frame refuses.
    bool RequestResize(int width, int height);

private:
    graphics::Graphics* Editor() const;
    // Closes the window this view opened (unless another view has opened the editor's window
    // since) and lets go of the run loop.
    void CloseWindow();

    Vst3Plugin* _plugin;                              // one reference held
    std::unique_ptr<graphics::HostRunLoop> _runLoop;  // the host's, while attached (Linux)
    void* _window = nullptr;                          // the native window this view opened
    bool _expectingResize = false;
};

}  // namespace tesselor::vst3
