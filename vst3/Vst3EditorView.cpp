#include "vst3/Vst3EditorView.h"

#include <cstring>

#include "vst3/Vst3Plugin.h"

namespace tesselor::vst3 {

using namespace Steinberg;

Vst3EditorView::Vst3EditorView(Vst3Plugin* plugin) : _plugin(plugin) { _plugin->addRef(); }

Vst3EditorView::~Vst3EditorView() {
    _plugin->ViewDestroyed(this);
    _plugin->release();
}

const char* Vst3EditorView::PlatformType() {
#if SMTG_OS_WINDOWS
    return kPlatformTypeHWND;
#else
    return kPlatformTypeX11EmbedWindowID;
#endif
}

bool Vst3EditorView::HasGraphics() const { return _plugin->Editor() != nullptr; }

tresult PLUGIN_API Vst3EditorView::isPlatformTypeSupported(FIDString type) {
    if (!HasGraphics() || !type) return kResultFalse;
    return std::strcmp(type, PlatformType()) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API Vst3EditorView::attached(void* parent, FIDString type) {
    if (!HasGraphics()) return kResultFalse;
    systemWindow = parent;
#if SMTG_OS_WINDOWS
    // The editor's child window in the host's; a window of another type opens nothing.
    if (type && std::strcmp(type, PlatformType()) == 0) _plugin->Editor()->OpenEditorWindow(parent);
#else
    (void)type;
#endif
    _plugin->HandleEditorOpened();
    return kResultTrue;
}

tresult PLUGIN_API Vst3EditorView::removed() {
    if (HasGraphics()) {
        _plugin->HandleEditorClosed();
        _plugin->Editor()->CloseEditorWindow();
    }
    systemWindow = nullptr;
    return kResultTrue;
}

tresult PLUGIN_API Vst3EditorView::getSize(ViewRect* size) {
    // An editor without a window has no size to give.
    if (!HasGraphics() || !size) return kResultFalse;
    *size = rect;
    return kResultTrue;
}

tresult PLUGIN_API Vst3EditorView::onSize(ViewRect* newSize) {
    if (!newSize) return kResultTrue;
    rect = *newSize;
    if (_expectingResize) {
        _plugin->HandleEditorResized(newSize->left, newSize->top, newSize->right, newSize->bottom);
        _expectingResize = false;
    }
    return kResultTrue;
}

bool Vst3EditorView::RequestResize(int width, int height) {
    if (!plugFrame) return false;
    _expectingResize = true;
    ViewRect wanted(0, 0, width, height);
    if (plugFrame->resizeView(this, &wanted) == kResultTrue) return true;
    _expectingResize = false;
    return false;
}

}  // namespace tesselor::vst3
