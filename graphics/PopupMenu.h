#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tesselor::graphics {

struct PopupMenu;

enum PopupItemFlag : int {
    kItemGreyed = 1,
    kItemDisabled = 2,
    kItemTicked = 4,
    kItemSeparator = 8,
};

struct PopupMenuItem {
    std::string text;
    std::unique_ptr<PopupMenu> submenu;  // null for a plain item
    int flags = 0;                       // PopupItemFlag bits
};

// A menu the editor asks the platform to show (Graphics::RunPopupMenu); the platform stores the
// chosen item's index in the menu it was chosen from.
struct PopupMenu {
    int numbering = 0;  // 0 none; 1, 2, 3: items prefixed with their 1-based position, 1-3 digits
    int chosen = -1;    // index of the chosen item, -1 until one is chosen
    std::vector<std::unique_ptr<PopupMenuItem>> items;

    PopupMenuItem& Add(std::string text, int flags = 0);
};

}  // namespace tesselor::graphics
