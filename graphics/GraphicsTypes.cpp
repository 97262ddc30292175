#include "graphics/GraphicsTypes.h"

#include <algorithm>

namespace tesselor::graphics {

bool PixelRect::Contains(int x, int y) const {
    return !IsEmpty() && left <= x && x < right && top <= y && y < bottom;
}

bool PixelRect::Overlaps(const PixelRect& c) const {
    return !IsEmpty() && !c.IsEmpty() && right >= c.left && left < c.right && bottom >= c.top &&
           top < c.bottom;
}

PixelRect PixelRect::Union(const PixelRect& other) const {
    return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
            std::max(bottom, other.bottom)};
}

PixelRect PixelRect::Intersection(const PixelRect& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
}

uint32_t ArgbColor::Packed() const {
    auto channel = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return channel(a) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
}

}  // namespace tesselor::graphics
