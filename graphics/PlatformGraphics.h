#pragma once

#include <memory>

#include "graphics/Graphics.h"

namespace tesselor::graphics {

// The editor graphics of the platform this is built for: its window class, which opens a native
// window when the host asks; a headless one where no window class exists. Each window class's
// folder defines it; PlatformGraphics.cpp is the headless fallback.
std::unique_ptr<Graphics> CreatePlatformGraphics(framework::PluginBase* plugin, int width,
                                                 int height, int frameRate,
                                                 EditorResources resources);

}  // namespace tesselor::graphics
