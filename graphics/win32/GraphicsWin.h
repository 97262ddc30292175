#pragma once

#include <memory>
#include <string>

#include "graphics/Graphics.h"

namespace tesselor::graphics {

// The editor in a Windows host: a child window of the host's window, class "TesselorWndClass",
// redrawn from a timer at the editor's frame rate (40 ms at 25 frames per second) by copying the
// dirty part of the drawing surface with GDI; native mouse and key messages become the dispatch
// calls of Graphics; a text entry ("EDIT" child) takes typed values; tooltips when enabled; the
// PNG images are the module's resources of type "PNG". The dialogs and services of the Windows
// user interface (menus, message boxes, file and colour dialogs, links, clipboard, folders, the
// cursor) are in GraphicsWinServices.cpp.
//
// The object and its controls live as long as the plug-in; the window exists between
// OpenEditorWindow and CloseEditorWindow. The window class is registered while at least one editor
// window of the module is open.
//
// Threads: the host's UI thread only (window procedure and timer), like Graphics.
class GraphicsWin : public Graphics {
public:
    // Images and the window class belong to `resources.module` (an HINSTANCE); a null module
    // means the module that holds this code (the plug-in's DLL, or a program that links it).
    GraphicsWin(framework::PluginBase* plugin, int width, int height, int frameRate,
                EditorResources resources);
    // Closes the window (if open) before the controls go.
    ~GraphicsWin() override;

    bool PresentRect(const PixelRect& r) override;
    void CancelTextEntry() override;
    void ResizeEditor(int width, int height) override;
    const char* GraphicsApiName() const override { return "Windows GDI"; }
    int ShowMessageBox(const char* text, const char* caption, int type) override;
    PopupMenu* RunPopupMenu(PopupMenu& menu, const PixelRect& r) override;
    void OpenTextEntry(Control* control, const TextStyle& style, const PixelRect& r,
                       const char* text, int paramIndex) override;
    std::string HostExecutableDir() override;
    std::string ModuleDir() override;
    std::string DesktopDir() override;
    std::string AppDataDir(bool common) override;
    std::string AskForFile(int action, std::string& dir, const char* extensions) override;
    bool AskForColour(ArgbColor& colour, const char* prompt) override;
    bool OpenLink(const char* url, const char* title, const char* confirmation,
                  const char* failure) override;
    // `parent` is the host's HWND; returns the editor's HWND, or null when it could not be made.
    void* OpenEditorWindow(void* parent) override;
    void CloseEditorWindow() override;
    void* WindowHandle() const override;
    bool ClipboardText(std::string& text) override;
    void ConcealCursor() override;
    void RevealCursor() override;
    std::unique_ptr<raster::RasterBitmap> LoadImageResource(int id, const char* name) override;

    // The text entry's progress: idle (none, or open but never focused), active (it has the
    // focus), redrawn (the panel was drawn around it on the last tick), and the two requests the
    // next tick carries out.
    enum TextEntryState : int {
        kEntryIdle = 0,
        kEntryActive = 1,
        kEntryRedrawn = 2,
        kEntryCancel = 3,
        kEntryCommit = 4,
    };
    TextEntryState EntryState() const;
    // The open text entry's HWND, or null.
    void* TextEntryWindow() const;
    // The tooltip control's HWND, or null (tooltips disabled, or no window).
    void* TooltipWindow() const;

private:
    struct Impl;  // GraphicsWinImpl.h, for this class's two source files only
    std::unique_ptr<Impl> _impl;
};

}  // namespace tesselor::graphics
