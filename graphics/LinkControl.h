#pragma once

#include "graphics/Control.h"

namespace tesselor::graphics {

constexpr int kLinkUrlSize = 256;     // bytes, NUL included
constexpr int kLinkTitleSize = 1024;  // bytes, NUL included

// An invisible area that opens a web address in the user's browser when pressed (any button);
// when that fails, its fallback address.
class LinkControl : public Control {
public:
    LinkControl(framework::PluginBase* plugin, const PixelRect& rect, const char* url);

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    bool DrawInto(Graphics&) override { return true; }  // nothing to see

    const char* Url() const { return _url; }
    void SetFallbackUrl(const char* url);
    void SetWindowTitle(const char* title);

private:
    char _url[kLinkUrlSize] = {};
    char _fallbackUrl[kLinkUrlSize] = {};
    char _windowTitle[kLinkTitleSize] = {};
};

}  // namespace tesselor::graphics
