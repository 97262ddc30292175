#pragma once

#include "graphics/Graphics.h"

namespace tesselor::plugin {

// The editor: one fixed panel, redrawn 25 times a second.
constexpr int kEditorWidth = 774;   // pixels
constexpr int kEditorHeight = 237;  // pixels
constexpr int kEditorFrameRate = 25;

// The logo in the bottom strip opens the product page.
constexpr graphics::PixelRect kLogoLinkRect = {675, 207, 774, 237};
constexpr const char* kProductPageUrl = "https://www.copperwireworks.com/product/tesselor/";

// Fills `g` with the panel: the background, the IN, HP-LP, BELL and OVERSAMPLE switches, the
// eleven knobs and the logo's link, in drawing order (later over earlier, and hit first). An
// image that cannot be loaded leaves its control in place, drawn as a plain placeholder.
void BuildTesselorPanel(graphics::Graphics& g);

// The panel's sixteen images compiled into the module (generated from resources/img).
graphics::ModuleImages TesselorImages();

}  // namespace tesselor::plugin
