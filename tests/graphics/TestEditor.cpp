#include "TestEditor.h"

#include <algorithm>
#include <cstdio>

#include "raster/MemBitmap.h"

namespace tesselor::graphics::test {

RecordingPlugin::RecordingPlugin() : PluginBase(2, "2-2", 1, {"Test", "", "Tests", 0, 0, 0}) {
    Param(0)->InitRange("Knob", 0.5, 0.0, 1.0, 0.01);
    Param(1)->SetKind(framework::kParamStepped);
    Param(1)->InitRange("Switch", 0.0, 0.0, 1.0, 1.0);
}

void RecordingPlugin::BeginParamGesture(int index) {
    events.push_back("begin " + std::to_string(index));
}

void RecordingPlugin::ReportParamValue(int index, double normal) {
    char text[64];
    std::snprintf(text, sizeof text, "perform %d %g", index, normal);
    events.push_back(text);
}

void RecordingPlugin::EndParamGesture(int index) {
    events.push_back("end " + std::to_string(index));
}

void RecordingPlugin::ShowParamContextMenu(int index, int x, int y) {
    events.push_back("menu " + std::to_string(index) + " " + std::to_string(x) + " " +
                     std::to_string(y));
}

TestGraphics::TestGraphics(framework::PluginBase* plugin) : HeadlessGraphics(plugin, 100, 80, 25) {}

std::unique_ptr<raster::RasterBitmap> MakeTestImage(int id) {
    if (id >= 9000) return nullptr;
    const bool background = id < 100;
    const int frames = std::max(id / 100, 1);
    const int width = background ? 100 : TestGraphics::kFrameWidth;
    const int frameHeight = background ? 80 : TestGraphics::kFrameHeight;
    auto image = std::make_unique<raster::MemBitmap>();
    image->Resize(width, frameHeight * frames);
    for (int y = 0; y < image->Height(); ++y) {
        for (int x = 0; x < width; ++x)
            image->Row(y)[x] = 0xFF000000u + static_cast<uint32_t>(1 + y / frameHeight);
    }
    return image;
}

std::unique_ptr<raster::RasterBitmap> TestGraphics::LoadImageResource(int id, const char*) {
    ++loads;
    return MakeTestImage(id);
}

bool TestGraphics::OpenLink(const char* url, const char*, const char*, const char*) {
    links.push_back(url);
    return true;
}

uint32_t ScreenPixel(HeadlessGraphics& g, int x, int y) { return g.Screen().Row(y)[x]; }

}  // namespace tesselor::graphics::test
