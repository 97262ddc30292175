#include "vst3/Vst3EditorView.h"

#include <cstring>

#include "graphics/Graphics.h"
#include "graphics/HostRunLoop.h"
#include "vst3/Vst3Plugin.h"
#if SMTG_OS_LINUX
#include "vst3/Vst3RunLoop.h"
#endif

namespace tesselor::vst3 {

using namespace Steinberg;

Vst3EditorView::Vst3EditorView(Vst3Plugin* plugin) : _plugin(plugin) { _plugin->addRef(); }

Vst3EditorView::~Vst3EditorView() {
    if (isAttached()) removed();
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

graphics::Graphics* Vst3EditorView::Editor() const {
    return dynamic_cast<graphics::Graphics*>(_plugin->Editor());
}

tresult PLUGIN_API Vst3EditorView::isPlatformTypeSupported(FIDString type) {
    if (!Editor() || !type) return kResultFalse;
    return std::strcmp(type, PlatformType()) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API Vst3EditorView::attached(void* parent, FIDString type) {
    graphics::Graphics* editor = Editor();
    // Answering yes to another type would leave the host showing an empty frame.
    if (!editor || !parent || !type || std::strcmp(type, PlatformType()) != 0) return kResultFalse;
    if (isAttached()) removed();  // attached twice: the old window goes first
    try {
#if SMTG_OS_LINUX
        // Linux has no event loop of its own for plug-ins: without the host's, the editor could
        // neither redraw nor hear the mouse.
        _runLoop = Vst3RunLoop::FromFrame(plugFrame);
        if (!_runLoop) return kResultFalse;
#endif
        editor->SetRunLoop(_runLoop.get());
        _window = editor->OpenEditorWindow(parent);
    } catch (...) {
        _window = nullptr;
    }
    if (!_window) {
        CloseWindow();
        return kResultFalse;
    }
    systemWindow = parent;
    _plugin->HandleEditorOpened();
    return kResultTrue;
}

tresult PLUGIN_API Vst3EditorView::removed() {
    if (Editor()) {
        _plugin->HandleEditorClosed();
        CloseWindow();
    }
    systemWindow = nullptr;
    return kResultTrue;
}

void Vst3EditorView::CloseWindow() {
    graphics::Graphics* editor = Editor();
    if (editor && _window && editor->WindowHandle() == _window) editor->CloseEditorWindow();
    if (editor && editor->RunLoop() == _runLoop.get()) editor->SetRunLoop(nullptr);
    _runLoop.reset();
    _window = nullptr;
}

tresult PLUGIN_API Vst3EditorView::getSize(ViewRect* size) {
    const graphics::Graphics* editor = Editor();
    // An editor without a window has no size to give.
    if (!editor || !size) return kResultFalse;
    *size = ViewRect(0, 0, editor->Width(), editor->Height());
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
