#include "graphics/PlatformGraphics.h"

#include "graphics/HeadlessGraphics.h"

namespace tesselor::graphics {

std::unique_ptr<Graphics> CreatePlatformGraphics(framework::PluginBase* plugin, int width,
                                                 int height, int frameRate,
                                                 EditorResources resources) {
    return std::make_unique<HeadlessGraphics>(plugin, width, height, frameRate, resources);
}

}  // namespace tesselor::graphics
