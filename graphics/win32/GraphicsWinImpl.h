#pragma once

// The Windows state of a GraphicsWin: private to graphics/win32/GraphicsWin.cpp and
// GraphicsWinServices.cpp, the only files of the editor that include Windows' headers.
#include <windows.h>

#include <memory>
#include <string>

#include "graphics/win32/GraphicsWin.h"

namespace tesselor::graphics {

struct GraphicsWin::Impl {
    explicit Impl(GraphicsWin& owner, HINSTANCE module) : g(owner), module(module) {}

    // "TesselorWndClass": double-clicks, the arrow cursor, no background brush.
    static bool RegisterWindowClass(HINSTANCE module);
    // The window procedure of "TesselorWndClass" and the one that replaces the EDIT control's.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EntryProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleEntryMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void HandleTimer();
    void HandleKeyDown(WPARAM wParam, LPARAM lParam);
    // Text-entry work at the start of a tick; true when the tick ends there.
    bool TextEntryTick();
    void CloseTextEntry();
    void OpenTooltips();
    void ClearTooltip();
    void SetTooltipText(const char* text);
    // The host's main window, found on first use (message boxes are owned by it).
    HWND MainWindow();

    GraphicsWin& g;
    HINSTANCE module;        // owns the window class and the PNG resources
    HWND window = nullptr;   // the editor's child window
    HWND entry = nullptr;    // the open text entry ("EDIT" child), if any
    HWND tooltip = nullptr;  // the tooltip control, if created
    Control* entryControl = nullptr;
    int entryParam = -1;  // the parameter being typed, or -1
    WNDPROC previousEntryProc = nullptr;
    HFONT entryFont = nullptr;  // made for the entry, deleted with it
    TextEntryState entryState = kEntryIdle;
    bool tooltipShown = false;
    int tooltipControl = -1;  // index of the control whose tooltip is tracked
    std::unique_ptr<COLORREF[]>
        customColours;  // the colour dialog's 16, kept for the object's life
    DWORD processId = 0;
    HWND parent = nullptr;      // the window given to OpenEditorWindow
    HWND mainWindow = nullptr;  // the host's top-level window
    std::string mainWindowClass;
};

}  // namespace tesselor::graphics
