#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/PluginEditor.h"
#include "graphics/GraphicsTypes.h"
#include "graphics/ModuleImages.h"
#include "graphics/PopupMenu.h"
#include "raster/SysBitmap.h"

namespace tesselor::framework {
class PluginBase;
}

namespace tesselor::graphics {

class Control;
class HostRunLoop;

// Where an editor finds its images: the module it lives in (on Windows its resources of type
// "PNG") and, where modules carry no resources, the table of images compiled into it.
struct EditorResources {
    void* module = nullptr;
    ModuleImages images;
};

// The editor's model and renderer: the ordered list of controls, the off-screen drawing surface,
// the routing of mouse and keyboard input, and the binding of controls to plug-in parameters in
// both directions. The platform half (native window, redraw timer, screen output, dialogs) is a
// subclass: GraphicsX11, GraphicsWin, or HeadlessGraphics for tests and tools. Nothing here
// includes a platform header.
//
// Threads: everything runs on the host's UI thread, except the PluginEditor calls, which the
// plug-in also makes from the audio thread; they only post values to the controls (Control's
// mailbox), which the next redraw tick takes (CollectDirtyRect). Drawing never takes PlugMutex.
class Graphics : public framework::PluginEditor {
public:
    Graphics(framework::PluginBase* plugin, int width, int height, int frameRate,
             EditorResources resources = {});
    // Deletes every control, last first, and the drawing surface; the caches stay.
    ~Graphics() override;
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // ---- Building the editor (main thread, before the plug-in takes it) ----

    // The cached image of `resourceId`, loaded through LoadImageResource the first time in the
    // process; later loads of the id return that image whatever name they give. The frame count
    // is the one asked for. A missing or broken image gives a FrameBitmap without image.
    FrameBitmap LoadFrameBitmap(int resourceId, const char* name, int frameCount);
    // A BitmapControl at (0, 0) copied without blending, inserted first.
    void AttachBackground(const FrameBitmap& image);
    // Appends `control` (ownership passes) and returns its index: later controls are drawn over
    // earlier ones and hit first.
    int AttachControl(std::unique_ptr<Control> control);

    // ---- framework::PluginEditor ----

    // [any thread] Posts `normal` to every control bound to `index` and to the first auxiliary
    // link of each control bound to it.
    void SetControlsFromPlugin(int index, double normal) override;
    // [any thread] The same for a plain value (converted with the parameter's mapping).
    void SetParameterFromPlugin(int index, double value, bool isNormalised) override;
    // Creates the drawing surface and takes the values posted so far, so that the values the
    // plug-in pushes when it attaches the editor become the controls' defaults at once.
    void PrepareDrawing() override;

    // ---- Redraw (UI thread) ----

    // Takes the values the plug-in posted since the last call, then unites the rectangles of the
    // controls that need drawing. False, with `area` untouched, when none does.
    bool CollectDirtyRect(PixelRect* area);
    // Redraws the controls in `r` (strict drawing: clipped to r, every control marked clean
    // afterwards) or each dirty control in its own rectangle, then PresentRect(r).
    bool DrawDirty(const PixelRect& r);
    // One redraw tick: CollectDirtyRect, and DrawDirty of that area when any control was dirty.
    bool Tick();
    // Marks every control dirty without pushing, so that the next tick draws the whole panel
    // (a window has just opened).
    void MarkAllDirty();

    // ---- Drawing primitives, clipped to the area being redrawn ----

    // Rectangle `dest` from (sx, sy) of the image. No blend: a copy weighted by the source's alpha.
    bool DrawBitmap(const FrameBitmap& image, const PixelRect& dest, int sx, int sy,
                    const BlendSpec* blend);
    // Frame `frame` (1-based) of the image into `dest`.
    bool DrawFrame(const FrameBitmap& image, const PixelRect& dest, int frame,
                   const BlendSpec* blend);
    // An opaque colour over `dest`.
    void FillRect(const PixelRect& dest, const ArgbColor& color);
    // Draws `text` in `r`; with `measure`, sets r to the text's extent instead (by alignment).
    // False when the style's font cannot be made.
    bool DrawText(TextStyle& style, const char* text, PixelRect& r, bool measure = false);

    // ---- Input (UI thread; positions in editor pixels) ----

    void HandleMouseDown(int x, int y, const MouseModifiers& mods);
    void HandleMouseUp(int x, int y, const MouseModifiers& mods);
    void HandleMouseDrag(int x, int y, const MouseModifiers& mods);
    void HandleDoubleClick(int x, int y, const MouseModifiers& mods);
    void HandleMouseWheel(int x, int y, const MouseModifiers& mods, int notches);
    // False when mouse-over is not handled (this editor's setting).
    bool HandleMouseOver(int x, int y, const MouseModifiers& mods);
    void HandleMouseOut();
    // False when no control handled the key: the window passes it on to the host.
    bool HandleKeyDown(int x, int y, int key);

    // A value prompt for `control`'s parameter: a menu of its texts for list-like parameters,
    // else a text entry holding the current value.
    void PromptUserInput(Control* control, int paramIndex, const PixelRect& r);
    // A text entry was committed: the parameter's editor text road turns it into the control's
    // value; a control without a parameter gets the text.
    void CommitTextEntry(Control* control, int paramIndex, const char* text);

    // ---- The platform half, with the base behaviour ----

    // Copies `r` of the drawing surface to the screen.
    virtual bool PresentRect(const PixelRect& r) = 0;
    virtual bool MeasureText(TextStyle& style, const char* text, PixelRect& r);
    virtual void CancelTextEntry() {}
    // Stores the size, forgets the mouse, deletes every control, makes a new surface and asks the
    // plug-in (and so the host) for the size. The caller attaches the controls again.
    virtual void ResizeEditor(int width, int height);
    virtual bool HasWindow() const { return WindowHandle() != nullptr; }
    virtual const char* GraphicsApiName() const { return ""; }
    // Dialogs: the base answers as if the user cancelled (0, null, empty, false).
    virtual int ShowMessageBox(const char* text, const char* caption, int type);
    virtual PopupMenu* RunPopupMenu(PopupMenu& menu, const PixelRect& r);
    virtual void OpenTextEntry(Control* control, const TextStyle& style, const PixelRect& r,
                               const char* text, int paramIndex);
    virtual std::string HostExecutableDir() { return {}; }
    virtual std::string ModuleDir() { return {}; }
    virtual std::string DesktopDir() { return {}; }
    virtual std::string AppDataDir(bool /*common*/) { return {}; }
    std::string UserAppDataDir() { return AppDataDir(false); }
    // `action` 1 saves, anything else opens; `dir` in and out. Empty when cancelled.
    virtual std::string AskForFile(int action, std::string& dir, const char* extensions);
    virtual bool AskForColour(ArgbColor& colour, const char* prompt);
    // Opens `url` in the user's browser; true when it was handed over.
    virtual bool OpenLink(const char* url, const char* title, const char* confirmation,
                          const char* failure);
    // The editor's child window in `parent`; null when it cannot be made.
    virtual void* OpenEditorWindow(void* parent);
    virtual void CloseEditorWindow() {}
    virtual void* WindowHandle() const { return nullptr; }
    virtual bool ClipboardText(std::string& text);
    virtual void ConcealCursor() {}
    virtual void RevealCursor() {}
    // Decodes image `id` from the module's resources; null when missing, too small, not a PNG or
    // when `name` does not end in ".png" (any case). The base reads the compiled-in table.
    virtual std::unique_ptr<raster::RasterBitmap> LoadImageResource(int id, const char* name);

    // ---- State ----

    framework::PluginBase* Plugin() const { return _plugin; }
    int Width() const { return _width; }
    int Height() const { return _height; }
    int FrameRate() const { return _frameRate; }
    int ControlCount() const { return static_cast<int>(_controls.size()); }
    Control* ControlAt(int index) const;
    raster::SysBitmap* Surface() const { return _surface.get(); }
    const EditorResources& Resources() const { return _resources; }
    int MouseCapture() const { return _mouseCapture; }
    bool StrictDrawing() const { return _strictDrawing; }
    void SetStrictDrawing(bool strict) { _strictDrawing = strict; }
    void SetHandleMouseOver(bool handle) { _handleMouseOver = handle; }
    bool TooltipsEnabled() const { return _tooltipsEnabled; }
    void SetTooltipsEnabled(bool enabled) { _tooltipsEnabled = enabled; }
    void SetKeyCatcher(Control* control) { _keyCatcher = control; }
    int MouseOverIndex() const { return _mouseOver; }
    // The index of the topmost control at (x, y) that is neither hidden nor greyed, or -1.
    int HitControl(int x, int y) const;
    // The host's event loop, for window classes that run on it (X11): the view sets it before
    // OpenEditorWindow and clears it after CloseEditorWindow. Not owned; null elsewhere.
    void SetRunLoop(HostRunLoop* loop) { _runLoop = loop; }
    HostRunLoop* RunLoop() const { return _runLoop; }

protected:
    // No control has the mouse, and the last position is (-1, -1): before a menu or a press.
    void ForgetMouse();

    bool _cursorHidden = false;
    int _hiddenCursorX = -1;
    int _hiddenCursorY = -1;

private:
    void DeleteControls();

    std::vector<std::unique_ptr<Control>> _controls;
    framework::PluginBase* _plugin;
    EditorResources _resources;
    PixelRect _drawRect;  // the area being redrawn; drawing is clipped to it
    std::unique_ptr<raster::SysBitmap> _surface;
    int _width;
    int _height;
    int _frameRate;  // redraw ticks per second
    int _mouseCapture = -1;
    int _gestureParam = -1;  // the parameter whose edit gesture a press began, until its release
    int _mouseOver = -1;
    int _lastMouseX = 0;
    int _lastMouseY = 0;
    bool _handleMouseOver = false;
    bool _strictDrawing = true;
    bool _tooltipsEnabled = false;
    Control* _keyCatcher = nullptr;
    HostRunLoop* _runLoop = nullptr;
};

}  // namespace tesselor::graphics
