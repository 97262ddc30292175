#pragma once

#include "public.sdk/source/common/pluginview.h"

namespace tesselor::vst3 {

class Vst3Plugin;

// The host's handle on the plug-in's editor. Holds one reference on the plug-in from creation to
// destruction. Without an attached editor every size and attach request answers kResultFalse, so a
// host shows no editor window rather than an empty one.
//
// Threads: the host's main thread only.
class Vst3EditorView : public Steinberg::CPluginView {
public:
    explicit Vst3EditorView(Vst3Plugin* plugin);
    // Empties the plug-in's view list and gives back the reference.
    ~Vst3EditorView() override;
    Vst3EditorView(const Vst3EditorView&) = delete;
    Vst3EditorView& operator=(const Vst3EditorView&) = delete;

    // The platform's window type: "HWND" on Windows, "X11EmbedWindowID" on Linux.
    static const char* PlatformType();

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API removed() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) SMTG_OVERRIDE;
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
    bool HasGraphics() const;

    Vst3Plugin* _plugin;  // one reference held
    bool _expectingResize = false;
};

}  // namespace tesselor::vst3
