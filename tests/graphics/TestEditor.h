#pragma once

// A plug-in base and a headless editor for the GUI tests: the plug-in records what the editor
// tells the host, the editor makes its images in memory.
#include <memory>
#include <string>
#include <vector>

#include "framework/PluginBase.h"
#include "graphics/HeadlessGraphics.h"

namespace tesselor::graphics::test {

// Parameters: 0 "Knob" continuous 0..1, 1 "Switch" stepped 0/1.
class RecordingPlugin : public framework::PluginBase {
public:
    RecordingPlugin();

    void BeginParamGesture(int index) override;
    void ReportParamValue(int index, double normal) override;
    void EndParamGesture(int index) override;
    void ShowParamContextMenu(int index, int x, int y) override;

    // "begin 0", "perform 0 0.25", "end 0", "menu 0 10 20", in order.
    std::vector<std::string> events;
};

// Images are made, not read: ids below 100 are one 100 x 80 frame (a background) filled with
// 0xFF000001; id N from 100 on is a strip of N / 100 frames of 10 x 8 pixels, frame k (1-based)
// filled with the pixel word 0xFF000000 + k; ids from 9000 on are missing. Links opened are
// recorded.
class TestGraphics : public HeadlessGraphics {
public:
    explicit TestGraphics(framework::PluginBase* plugin);

    std::unique_ptr<raster::RasterBitmap> LoadImageResource(int id, const char* name) override;
    bool OpenLink(const char* url, const char*, const char*, const char*) override;

    static constexpr int kFrameWidth = 10;
    static constexpr int kFrameHeight = 8;
    int loads = 0;
    std::vector<std::string> links;
};

// The image TestGraphics makes for `id`, or null.
std::unique_ptr<raster::RasterBitmap> MakeTestImage(int id);

// The screen pixel at (x, y).
uint32_t ScreenPixel(HeadlessGraphics& g, int x, int y);

}  // namespace tesselor::graphics::test
