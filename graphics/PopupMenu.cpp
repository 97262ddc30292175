#include "graphics/PopupMenu.h"

namespace tesselor::graphics {

PopupMenuItem& PopupMenu::Add(std::string text, int flags) {
    items.push_back(std::make_unique<PopupMenuItem>());
    items.back()->text = std::move(text);
    items.back()->flags = flags;
    return *items.back();
}

}  // namespace tesselor::graphics
