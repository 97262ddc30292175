#include "graphics/LinkControl.h"

#include "framework/PluginParam.h"
#include "graphics/Graphics.h"

namespace tesselor::graphics {

LinkControl::LinkControl(framework::PluginBase* plugin, const PixelRect& rect, const char* url)
    : Control(plugin, rect) {
    framework::CopyText(_url, url, sizeof _url);
}

void LinkControl::MouseDown(int, int, const MouseModifiers&) {
    Graphics* graphics = GraphicsOf();
    if (!graphics) return;
    if (_url[0] && graphics->OpenLink(_url, _windowTitle, nullptr, nullptr)) return;
    if (_fallbackUrl[0]) graphics->OpenLink(_fallbackUrl, _windowTitle, nullptr, nullptr);
}

void LinkControl::SetFallbackUrl(const char* url) {
    framework::CopyText(_fallbackUrl, url, sizeof _fallbackUrl);
}

void LinkControl::SetWindowTitle(const char* title) {
    framework::CopyText(_windowTitle, title, sizeof _windowTitle);
}

}  // namespace tesselor::graphics
