#include "plugin/TesselorPanel.h"

#include <memory>

#include "graphics/FilmstripKnobControl.h"
#include "graphics/LinkControl.h"
#include "graphics/SwitchControl.h"
#include "plugin/Tesselor.h"

namespace tesselor::plugin {

namespace {

using graphics::FrameBitmap;

constexpr int kSwitchFrames = 2;
constexpr int kKnobFrames = 31;
constexpr double kKnobGearing = 4.0;  // control heights of mouse travel for the whole range

struct ImageRow {
    int resourceId;
    const char* name;
    int frameWidth, frameHeight;  // what the artwork measures, kept when an image is missing
};

struct ControlRow {
    ImageRow image;
    int x, y;
    int param;
};

// Drawing order: the switches, then the knobs. IN and HP-LP share the column x = 142, HP-LP and
// BELL the column x = 188; the later one is drawn over the earlier there and hit first.
constexpr ControlRow kSwitches[] = {
    {{106, "resources/img/BELL.png", 47, 62}, 188, 35, kParamBell},
    {{113, "resources/img/HPLP.png", 47, 62}, 142, 35, kParamHpLp},
    {{114, "resources/img/BY.png", 47, 62}, 96, 35, kParamIn},
    {{116, "resources/img/OVER.png", 150, 25}, 0, 209, kParamOversample},
};

constexpr ControlRow kKnobs[] = {
    {{101, "resources/img/LG.png", 52, 53}, 248, 111, kParamLowGain},
    {{102, "resources/img/LF.png", 52, 53}, 285, 48, kParamLowFreq},
    {{104, "resources/img/LMG.png", 52, 53}, 343, 111, kParamLowMidGain},
    {{105, "resources/img/LMF.png", 52, 53}, 381, 48, kParamLowMidFreq},
    {{107, "resources/img/HMG.png", 52, 53}, 437, 113, kParamHighMidGain},
    {{108, "resources/img/HMF.png", 52, 53}, 477, 48, kParamHighMidFreq},
    {{109, "resources/img/HG.png", 52, 53}, 532, 113, kParamHighGain},
    {{110, "resources/img/HF.png", 52, 53}, 573, 47, kParamHighFreq},
    {{111, "resources/img/HP.png", 52, 53}, 60, 114, kParamHighPass},
    {{112, "resources/img/LP.png", 52, 53}, 153, 114, kParamLowPass},
    {{115, "resources/img/GAIN.png", 52, 53}, 622, 111, kParamOutputGain},
};

constexpr ImageRow kBackground = {103, "resources/img/BG.png", kEditorWidth, kEditorHeight};

// The image of `row`; without one, its size as the artwork has it, so that the control keeps its
// place on the panel and draws a placeholder.
FrameBitmap Load(graphics::Graphics& g, const ImageRow& row, int frames) {
    FrameBitmap b = g.LoadFrameBitmap(row.resourceId, row.name, frames);
    if (!b.image) {
        b.width = row.frameWidth;
        b.height = row.frameHeight * frames;
    }
    return b;
}

}  // namespace

void BuildTesselorPanel(graphics::Graphics& g) {
    framework::PluginBase* plugin = g.Plugin();
    g.AttachBackground(Load(g, kBackground, 1));
    for (const ControlRow& row : kSwitches) {
        g.AttachControl(std::make_unique<graphics::SwitchControl>(
            plugin, row.x, row.y, row.param, Load(g, row.image, kSwitchFrames)));
    }
    for (const ControlRow& row : kKnobs) {
        g.AttachControl(std::make_unique<graphics::FilmstripKnobControl>(
            plugin, row.x, row.y, row.param, Load(g, row.image, kKnobFrames),
            graphics::kKnobVertical, kKnobGearing));
    }
    g.AttachControl(
        std::make_unique<graphics::LinkControl>(plugin, kLogoLinkRect, kProductPageUrl));
}

}  // namespace tesselor::plugin
