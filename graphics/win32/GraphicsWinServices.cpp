// The services of the Windows editor that are not its drawing and input loop: popup menus,
// message boxes owned by the host's main window, file and colour dialogs, opening a web address,
// the clipboard, well-known folders and hiding the cursor. All on the UI thread.
#include <windows.h>
// After windows.h, which they need.
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/win32/GraphicsWinImpl.h"

namespace tesselor::graphics {

namespace {

constexpr int kClassNameChars = 128;
constexpr int kPathChars = 256;    // folders and the file dialog's buffer, NUL included
constexpr int kFilterBytes = 255;  // the file dialog's pattern list, both copies and NULs
constexpr int kDefaultExtensionChars = 15;
constexpr int kCustomColours = 16;

// The directory part of a module's file name: up to and including the last backslash; "" when
// the name cannot be read, has no backslash or ends with one.
std::string DirectoryOf(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const char* slash = std::strrchr(path, '\\');
    if (!slash || slash[1] == '\0') return {};
    return std::string(path, static_cast<std::size_t>(slash + 1 - path));
}

// ---- Popup menus ----

// A native menu built from a PopupMenu, depth first, each menu taking the next block of command
// ids the size of its item list; `blocks` keeps the menus in that order with their first id.
struct MenuBlock {
    PopupMenu* menu;
    UINT firstId;
};

HMENU BuildMenu(PopupMenu& menu, UINT& nextId, std::vector<MenuBlock>& blocks) {
    HMENU native = CreatePopupMenu();
    if (!native) return nullptr;
    const UINT first = nextId;
    nextId += static_cast<UINT>(menu.items.size());
    blocks.push_back({&menu, first});
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        PopupMenuItem& item = *menu.items[i];
        const UINT id = first + static_cast<UINT>(i);
        if (item.flags & kItemSeparator) {
            AppendMenuA(native, MF_SEPARATOR, id, nullptr);
            continue;
        }
        std::string text = item.text;
        if (menu.numbering >= 1 && menu.numbering <= 3) {
            static const char* const kFormats[] = {"%1d: %s", "%02d: %s", "%03d: %s"};
            const std::size_t size = text.size() + 16;
            std::vector<char> numbered(size);
            std::snprintf(numbered.data(), size, kFormats[menu.numbering - 1],
                          static_cast<int>(i) + 1, item.text.c_str());
            text = numbered.data();
        }
        if (item.submenu) {
            // A submenu that cannot be built is left out.
            if (HMENU sub = BuildMenu(*item.submenu, nextId, blocks))
                AppendMenuA(native, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
            continue;
        }
        UINT flags = MF_STRING;
        if (item.flags & kItemGreyed) flags |= MF_GRAYED;
        if (item.flags & kItemDisabled) flags |= MF_DISABLED;
        if (item.flags & kItemTicked) flags |= MF_CHECKED;
        AppendMenuA(native, flags, id, text.c_str());
    }
    return native;
}

// ---- Message boxes ----

struct WindowSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[kClassNameChars] = {};
    if (process == search->processId && GetClassNameA(hwnd, name, sizeof name) &&
        std::strcmp(name, search->className) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// ---- Colour dialog ----

UINT_PTR CALLBACK ColourHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        if (choose && choose->lCustData)
            SetWindowTextA(dialog, reinterpret_cast<const char*>(choose->lCustData));
    }
    return 0;  // the dialog's own handling goes on
}

}  // namespace

HWND GraphicsWin::Impl::MainWindow() {
    if (!mainWindow) {
        if (parent) {
            HWND top = parent;
            while (HWND up = GetParent(top)) top = up;
            mainWindow = top;
            char name[kClassNameChars] = {};
            GetClassNameA(top, name, sizeof name);
            mainWindowClass = name;
        } else if (!mainWindowClass.empty()) {
            if (!processId) processId = GetCurrentProcessId();
            WindowSearch search = {processId, mainWindowClass.c_str(), nullptr};
            EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
            mainWindow = search.found;
        }
    }
    return mainWindow;
}

int GraphicsWin::ShowMessageBox(const char* text, const char* caption, int type) {
    return MessageBoxA(_impl->MainWindow(), text, caption, static_cast<UINT>(type));
}

PopupMenu* GraphicsWin::RunPopupMenu(PopupMenu& menu, const PixelRect& r) {
    Impl& w = *_impl;
    ForgetMouse();
    if (!w.window) return nullptr;
    UINT nextId = 0;
    std::vector<MenuBlock> blocks;
    HMENU native = BuildMenu(menu, nextId, blocks);
    if (!native) return nullptr;
    POINT at = {r.left, r.bottom};
    ClientToScreen(w.window, &at);
    PopupMenu* chosen = nullptr;
    const BOOL shown = TrackPopupMenu(native, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x,
                                      at.y, 0, w.window, nullptr);
    MSG command;
    if (shown && PeekMessageA(&command, w.window, WM_COMMAND, WM_COMMAND, PM_REMOVE) &&
        HIWORD(command.wParam) == 0) {
        const UINT id = LOWORD(command.wParam);
        // The menu whose block holds the id: blocks are in id order, so the last one that starts
        // at or below it.
        for (const MenuBlock& block : blocks) {
            if (id >= block.firstId && id < block.firstId + block.menu->items.size()) {
                block.menu->chosen = static_cast<int>(id - block.firstId);
                chosen = block.menu;
            }
        }
    }
    DestroyMenu(native);
    InvalidateRect(w.window, nullptr, FALSE);
    return chosen;
}

// ---- Folders ----

std::string GraphicsWin::HostExecutableDir() { return DirectoryOf(nullptr); }

std::string GraphicsWin::ModuleDir() { return DirectoryOf(_impl->module); }

std::string GraphicsWin::DesktopDir() {
    char path[kPathChars] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOP, FALSE)) return {};
    return path;
}

std::string GraphicsWin::AppDataDir(bool common) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, common ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA,
                                nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

// ---- Dialogs ----

std::string GraphicsWin::AskForFile(int action, std::string& dir, const char* extensions) {
    Impl& w = *_impl;
    if (!w.window) return {};
    // "png jpg" -> "*.png;*.jpg", offered as both description and pattern. Extensions that do not
    // fit the dialog's buffer (the list twice, with its two NULs and the final one) are left out.
    std::string patterns;
    std::string first;
    const char* p = extensions ? extensions : "";
    while (*p) {
        while (*p == ' ') ++p;
        const char* end = p;
        while (*end && *end != ' ') ++end;
        if (end > p) {
            const std::string extension(p, end);
            const std::size_t grown =
                patterns.size() + (patterns.empty() ? 2 : 3) + extension.size();
            if (2 * (grown + 1) + 1 > kFilterBytes) break;
            if (patterns.empty())
                first = extension;
            else
                patterns += ';';
            patterns.append("*.").append(extension);
        }
        p = end;
    }
    std::string filter;
    if (!patterns.empty()) filter = patterns + '\0' + patterns + '\0';
    filter += '\0';
    // Longer default extensions than the dialog takes are not appended at all.
    if (first.size() > kDefaultExtensionChars) first.clear();

    if (dir.empty()) dir = DesktopDir();
    char file[kPathChars] = {};
    OPENFILENAMEA open = {};
    open.lStructSize = sizeof open;
    open.hwndOwner = w.window;
    open.lpstrFilter = patterns.empty() ? nullptr : filter.c_str();
    open.lpstrFile = file;
    open.nMaxFile = sizeof file - 1;
    open.lpstrInitialDir = dir.c_str();
    open.lpstrDefExt = first.empty() ? nullptr : first.c_str();
    BOOL ok;
    if (action == 1) {
        open.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        ok = GetSaveFileNameA(&open);
    } else {
        open.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        ok = GetOpenFileNameA(&open);
    }
    if (!ok) return {};
    char drive[_MAX_DRIVE] = {}, folder[_MAX_DIR] = {};
    _splitpath(file, drive, folder, nullptr, nullptr);
    char joined[kPathChars];
    std::snprintf(joined, sizeof joined, "%s%s", drive, folder);
    dir = joined;
    return file;
}

bool GraphicsWin::AskForColour(ArgbColor& colour, const char* prompt) {
    Impl& w = *_impl;
    if (!w.window) return false;
    if (!w.customColours) w.customColours = std::make_unique<COLORREF[]>(kCustomColours);
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = w.window;
    choose.rgbResult = RGB(colour.r, colour.g, colour.b);
    choose.lpCustColors = w.customColours.get();
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR | CC_SOLIDCOLOR;
    if (prompt) {
        choose.Flags |= CC_ENABLEHOOK;
        choose.lpfnHook = ColourHook;
        choose.lCustData = reinterpret_cast<LPARAM>(prompt);
    }
    if (!ChooseColorA(&choose)) return false;
    colour.r = GetRValue(choose.rgbResult);
    colour.g = GetGValue(choose.rgbResult);
    colour.b = GetBValue(choose.rgbResult);
    return true;
}

bool GraphicsWin::OpenLink(const char* url, const char* title, const char* confirmation,
                           const char* failure) {
    Impl& w = *_impl;
    if (!url || !*url) return false;
    if (confirmation && MessageBoxA(w.window, confirmation, title, MB_YESNO) != IDYES) return false;
    DWORD connection = 0;
    if (InternetGetConnectedState(&connection, 0)) {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteA(w.window, "open", url, nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) return true;
    }
    if (failure) MessageBoxA(w.window, failure, title, MB_OK);
    return false;
}

// ---- Clipboard and cursor ----

bool GraphicsWin::ClipboardText(std::string& text) {
    text.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(_impl->window)) return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            const int bytes =
                WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 0) {
                std::vector<char> utf8(bytes);
                WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), bytes, nullptr, nullptr);
                text = utf8.data();
                ok = true;
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return ok;
}

void GraphicsWin::ConcealCursor() {
    if (_cursorHidden) return;
    POINT p;
    GetCursorPos(&p);
    _hiddenCursorX = p.x;
    _hiddenCursorY = p.y;
    ShowCursor(FALSE);
    _cursorHidden = true;
}

void GraphicsWin::RevealCursor() {
    if (!_cursorHidden) return;
    SetCursorPos(_hiddenCursorX, _hiddenCursorY);
    ShowCursor(TRUE);
    _cursorHidden = false;
}

}  // namespace tesselor::graphics
