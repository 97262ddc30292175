#include "graphics/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "framework/PluginBase.h"
#include "graphics/BitmapControl.h"
#include "graphics/Control.h"
#include "graphics/FontCache.h"
#include "graphics/ImageCache.h"
#include "raster/RasterBlit.h"
#include "raster/RasterFont.h"

namespace tesselor::graphics {

namespace {

constexpr int kMaxMenuItems = 256;  // a prompt's menu lists at most this many values

int BlitMode(const BlendSpec* blend) {
    if (!blend) return raster::kBlitCopy | raster::kBlitUseSourceAlpha;
    switch (blend->method) {
        case kBlendClobber:
            return raster::kBlitCopy;
        case kBlendAdd:
            return raster::kBlitAdd | raster::kBlitUseSourceAlpha;
        case kBlendColorDodge:
            return raster::kBlitDodge | raster::kBlitUseSourceAlpha;
        default:
            return raster::kBlitCopy | raster::kBlitUseSourceAlpha;
    }
}

}  // namespace

Graphics::Graphics(framework::PluginBase* plugin, int width, int height, int frameRate,
                   EditorResources resources)
    : _plugin(plugin),
      _resources(resources),
      _width(width),
      _height(height),
      _frameRate(frameRate) {}

Graphics::~Graphics() {
    DeleteControls();
    _surface.reset();
}

void Graphics::DeleteControls() {
    while (!_controls.empty()) _controls.pop_back();
}

FrameBitmap Graphics::LoadFrameBitmap(int resourceId, const char* name, int frameCount) {
    raster::RasterBitmap* image =
        ImageCache::Instance().Get(resourceId, [&] { return LoadImageResource(resourceId, name); });
    FrameBitmap b;
    b.image = image;
    b.width = image ? image->Width() : 0;
    b.height = image ? image->Height() : 0;
    b.frames = std::max(frameCount, 1);
    return b;
}

void Graphics::AttachBackground(const FrameBitmap& image) {
    auto background = std::make_unique<BitmapControl>(_plugin, 0, 0, -1, image, kBlendClobber);
    background->SetGraphics(this);
    _controls.insert(_controls.begin(), std::move(background));
}

int Graphics::AttachControl(std::unique_ptr<Control> control) {
    control->SetGraphics(this);
    _controls.push_back(std::move(control));
    return ControlCount() - 1;
}

Control* Graphics::ControlAt(int index) const {
    return index >= 0 && index < ControlCount() ? _controls[index].get() : nullptr;
}

void Graphics::SetControlsFromPlugin(int index, double normal) {
    for (const auto& c : _controls) {
        if (c->ParamIndex() == index) c->PostPluginValue(normal);
        for (int j = 0; j < c->AuxLinkCount(); ++j) {
            if (c->AuxLink(j).paramIndex == index) {
                c->PostAuxValue(j, normal);
                break;
            }
        }
    }
}

void Graphics::SetParameterFromPlugin(int index, double value, bool isNormalised) {
    if (!isNormalised) {
        const framework::PluginParam* param = _plugin ? _plugin->Param(index) : nullptr;
        if (!param) return;
        value = param->PlainToNormal(value);
    }
    SetControlsFromPlugin(index, value);
}

void Graphics::PrepareDrawing() {
    _surface = std::make_unique<raster::SysBitmap>(_width, _height);
    for (const auto& c : _controls) c->TakePluginValue();
}

bool Graphics::CollectDirtyRect(PixelRect* area) {
    bool any = false;
    PixelRect r;
    for (const auto& c : _controls) {
        c->TakePluginValue();
        if (!c->NeedsRedraw()) continue;
        r = r.IsEmpty() ? c->Rect() : r.Union(c->Rect());
        any = true;
    }
    if (any && area) *area = r;
    return any;
}

bool Graphics::DrawDirty(const PixelRect& r) {
    if (_controls.empty()) return true;
    if (_strictDrawing) {
        _drawRect = r;
        for (const auto& c : _controls) {
            if (!c->IsHidden() && r.Overlaps(c->Rect())) c->DrawInto(*this);
        }
        for (const auto& c : _controls) c->MarkClean();
    } else if (_controls.front()->NeedsRedraw()) {
        _drawRect = _controls.front()->Rect();
        for (std::size_t i = 0; i < _controls.size(); ++i) {
            Control& c = *_controls[i];
            if (i == 0 || !c.IsHidden()) c.DrawInto(*this);
            c.MarkClean();
        }
    } else {
        for (std::size_t i = 1; i < _controls.size(); ++i) {
            Control& dirty = *_controls[i];
            if (!dirty.NeedsRedraw()) continue;
            _drawRect = dirty.Rect();
            for (std::size_t j = 0; j < _controls.size(); ++j) {
                Control& c = *_controls[j];
                if (c.IsHidden()) continue;
                if (j == i || c.Rect().Overlaps(_drawRect)) c.DrawInto(*this);
            }
            dirty.MarkClean();
        }
    }
    return PresentRect(r);
}

bool Graphics::Tick() {
    PixelRect area;
    return CollectDirtyRect(&area) && DrawDirty(area);
}

void Graphics::MarkAllDirty() {
    for (const auto& c : _controls) c->MarkDirty(false);
}

bool Graphics::DrawBitmap(const FrameBitmap& image, const PixelRect& dest, int sx, int sy,
                          const BlendSpec* blend) {
    if (!_drawRect.Overlaps(dest)) return true;
    const PixelRect c = _drawRect.Intersection(dest);
    const raster::RasterRect source = {sx + c.left - dest.left, sy + c.top - dest.top,
                                       sx + c.right - dest.left, sy + c.bottom - dest.top};
    raster::RasterBlit(_surface.get(), image.image, c.left, c.top, &source,
                       blend ? blend->weight : 1.0f, BlitMode(blend));
    return true;
}

bool Graphics::DrawFrame(const FrameBitmap& image, const PixelRect& dest, int frame,
                         const BlendSpec* blend) {
    int sx = 0, sy = 0;
    if (frame > 1 && image.frames > 1) {
        const double step = static_cast<double>(frame - 1) / image.frames;
        if (image.horizontal)
            sx = static_cast<int>(0.5 + image.width * step);
        else
            sy = static_cast<int>(0.5 + image.height * step);
    }
    return DrawBitmap(image, dest, sx, sy, blend);
}

void Graphics::FillRect(const PixelRect& dest, const ArgbColor& color) {
    if (!_drawRect.Overlaps(dest)) return;
    const PixelRect c = _drawRect.Intersection(dest);
    raster::RasterFillRect(_surface.get(), c.left, c.top, c.Width(), c.Height(), color.Packed(),
                           1.0f, raster::kBlitCopy);
}

bool Graphics::DrawText(TextStyle& style, const char* text, PixelRect& r, bool measure) {
    if (!text || !*text) return true;
    if (!style.cachedFont) style.cachedFont = FontCache::Instance().Get(style);
    raster::RasterFont* font = style.cachedFont;
    if (!font) return false;
    font->SetForeground(style.color.Packed());
    uint32_t flags = raster::kTextNoClip;
    if (style.alignment == kAlignCenter) flags |= raster::kTextCenter;
    if (style.alignment == kAlignFar) flags |= raster::kTextRight;
    if (style.color.a != 255) flags |= raster::kTextUseForegroundAlpha;
    if (!measure) {
        raster::RasterRect target = {r.left, r.top, r.right, r.bottom};
        font->DrawString(_surface.get(), text, -1, target, flags);
        return true;
    }
    raster::RasterRect extent;
    font->DrawString(nullptr, text, -1, extent, flags | raster::kTextCalcRect);
    const int width = extent.right - extent.left;
    if (style.alignment == kAlignCenter) {
        r.left = static_cast<int>((r.left + r.right) * 0.5) - width / 2;
        r.right = r.left + width;
    } else if (style.alignment == kAlignFar) {
        r.left = r.right - width;
    } else {
        r.right = r.left + width;
    }
    r.bottom = r.top + (extent.bottom - extent.top);
    return true;
}

int Graphics::HitControl(int x, int y) const {
    for (int i = ControlCount() - 1; i >= 0; --i) {
        const Control& c = *_controls[i];
        if (!c.IsHidden() && !c.IsGreyed() && c.HitTest(x, y)) return i;
    }
    return -1;
}

void Graphics::ForgetMouse() {
    _mouseCapture = -1;
    _lastMouseX = -1;
    _lastMouseY = -1;
}

void Graphics::HandleMouseDown(int x, int y, const MouseModifiers& mods) {
    ForgetMouse();
    const int hit = HitControl(x, y);
    if (hit < 0) return;
    _mouseCapture = hit;
    _lastMouseX = x;
    _lastMouseY = y;
    Control& c = *_controls[hit];
    const int param = c.ParamIndex();
    if (_plugin && param >= 0) {
        // Under VST 3 a right click on a parameter belongs to the host's context menu.
        if (mods.right && _plugin->GetPluginApi() == framework::kPluginApiVst3) {
            ForgetMouse();
            _plugin->ShowParamContextMenu(param, x, y);
            return;
        }
        _plugin->BeginParamGesture(param);
        _gestureParam = param;
    }
    c.MouseDown(x, y, mods);
}

void Graphics::HandleMouseUp(int x, int y, const MouseModifiers& mods) {
    const int target = _mouseCapture >= 0 ? _mouseCapture : HitControl(x, y);
    ForgetMouse();
    // Only a gesture a press began is ended: after a context menu or a double-click the host
    // hears no end without a begin.
    const int gesture = _gestureParam;
    _gestureParam = -1;
    Control* c = ControlAt(target);
    if (!c) return;
    c->MouseUp(x, y, mods);
    if (_plugin && gesture >= 0 && c->ParamIndex() == gesture) _plugin->EndParamGesture(gesture);
}

void Graphics::HandleMouseDrag(int x, int y, const MouseModifiers& mods) {
    Control* c = ControlAt(_mouseCapture);
    if (!c || (x == _lastMouseX && y == _lastMouseY)) return;
    const int dx = x - _lastMouseX;
    const int dy = y - _lastMouseY;
    _lastMouseX = x;
    _lastMouseY = y;
    c->MouseDrag(x, y, dx, dy, mods);
}

void Graphics::HandleDoubleClick(int x, int y, const MouseModifiers& mods) {
    ForgetMouse();
    const int hit = HitControl(x, y);
    Control* c = ControlAt(hit);
    if (!c) return;
    if (c->DoubleClickAsPress()) {
        _mouseCapture = hit;
        _lastMouseX = x;
        _lastMouseY = y;
        c->MouseDown(x, y, mods);
    } else {
        c->MouseDoubleClick(x, y, mods);
    }
}

void Graphics::HandleMouseWheel(int x, int y, const MouseModifiers& mods, int notches) {
    Control* c = ControlAt(_mouseCapture >= 0 ? _mouseCapture : HitControl(x, y));
    if (!c) return;
    // A wheel step is a whole edit: the host hears it between a begin and an end, as hosts expect
    // of every change they record (a captured control is inside a gesture already).
    const int param = c->ParamIndex();
    const bool gesture = _plugin && param >= 0 && _mouseCapture < 0;
    if (gesture) _plugin->BeginParamGesture(param);
    c->MouseWheel(x, y, mods, notches);
    if (gesture) _plugin->EndParamGesture(param);
}

bool Graphics::HandleMouseOver(int x, int y, const MouseModifiers& mods) {
    if (!_handleMouseOver) return false;
    int target = _mouseCapture;
    if (target < 0) {
        for (int i = ControlCount() - 1; i >= 0; --i) {
            const Control& c = *_controls[i];
            if (c.IsHidden() || (c.IsGreyed() && !c.MouseOverWhenGreyed())) continue;
            if (c.HitTest(x, y)) {
                target = i;
                break;
            }
        }
    }
    if (target < 0) return true;
    _lastMouseX = x;
    _lastMouseY = y;
    _controls[target]->MouseOver(x, y, mods);
    if (Control* previous = ControlAt(_mouseOver); previous && _mouseOver != target)
        previous->MouseOut();
    _mouseOver = target;
    return true;
}

void Graphics::HandleMouseOut() {
    for (const auto& c : _controls) c->MouseOut();
    _mouseOver = -1;
}

bool Graphics::HandleKeyDown(int x, int y, int key) {
    int candidate = _mouseCapture >= 0 ? _mouseCapture : HitControl(x, y);
    Control* c = candidate > 0 ? ControlAt(candidate) : nullptr;
    if (!c) c = _keyCatcher;
    return c && c->KeyDown(x, y, key);
}

void Graphics::PromptUserInput(Control* control, int paramIndex, const PixelRect& r) {
    const framework::PluginParam* param = _plugin ? _plugin->Param(paramIndex) : nullptr;
    if (!control || !param) return;
    const bool menu = param->Kind() == framework::kParamEnumerated ||
                      (param->Kind() == framework::kParamBoolean && !param->DisplayTexts().empty());
    if (menu) {
        char current[framework::kParamTextSize];
        param->FormatValue(param->Value(), current, sizeof current);
        PopupMenu popup;
        const int count = std::clamp(static_cast<int>(param->Maximum()) + 1, 1, kMaxMenuItems);
        for (int v = 0; v < count; ++v) {
            const char* text = param->DisplayTextFor(v);
            PopupMenuItem& item = popup.Add(text ? text : "");
            if (item.text == current) item.flags |= kItemTicked;
        }
        if (RunPopupMenu(popup, r) == &popup && popup.chosen >= 0)
            control->SetValueFromUser(param->PlainToNormal(popup.chosen));
        return;
    }
    const double shown = param->NegateDisplay() ? -param->Value() : param->Value();
    char text[64];
    if (param->DisplayPrecision() > 0)
        std::snprintf(text, sizeof text, "%.*f", param->DisplayPrecision(), shown);
    else
        std::snprintf(text, sizeof text, "%d",
                      static_cast<int>(std::clamp(std::trunc(shown), -2147483648.0, 2147483647.0)));
    OpenTextEntry(control, control->Style(), r, text, paramIndex);
}

void Graphics::CommitTextEntry(Control* control, int paramIndex, const char* text) {
    if (!control) return;
    const framework::PluginParam* param = _plugin ? _plugin->Param(paramIndex) : nullptr;
    if (param)
        control->SetValueFromUser(param->ParseEditorText(text));
    else
        control->TextFromEntry(text);
}

bool Graphics::MeasureText(TextStyle& style, const char* text, PixelRect& r) {
    return DrawText(style, text, r, true);
}

void Graphics::ResizeEditor(int width, int height) {
    _width = width;
    _height = height;
    ForgetMouse();
    {
        // The audio thread posts to the controls under PlugMutex; they go away under it.
        std::unique_lock<framework::PlugMutex> lock;
        if (_plugin) lock = std::unique_lock(_plugin->Mutex());
        DeleteControls();
        _mouseOver = -1;
        _keyCatcher = nullptr;
    }
    _surface.reset();
    PrepareDrawing();
    if (_plugin) _plugin->RequestEditorSize(width, height);
}

int Graphics::ShowMessageBox(const char*, const char*, int) { return 0; }

PopupMenu* Graphics::RunPopupMenu(PopupMenu&, const PixelRect&) { return nullptr; }

void Graphics::OpenTextEntry(Control*, const TextStyle&, const PixelRect&, const char*, int) {}

std::string Graphics::AskForFile(int, std::string&, const char*) { return {}; }

bool Graphics::AskForColour(ArgbColor&, const char*) { return false; }

bool Graphics::OpenLink(const char*, const char*, const char*, const char*) { return false; }

void* Graphics::OpenEditorWindow(void*) { return nullptr; }

bool Graphics::ClipboardText(std::string& text) {
    text.clear();
    return false;
}

std::unique_ptr<raster::RasterBitmap> Graphics::LoadImageResource(int id, const char* name) {
    return LoadModuleImage(_resources.images, id, name);
}

}  // namespace tesselor::graphics
