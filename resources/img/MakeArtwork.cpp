// Draws the editor panel's sixteen images: the background, eleven knob filmstrips, three lamp
// switches and the oversampling legend. Everything is computed here, from seeded noise and the
// DejaVu fonts, so the committed PNGs can be rebuilt bit for bit (scripts/make-artwork).
//
//   tesselor_make_artwork OUT_DIR [--preview FILE.png]
//
// --preview also writes the panel as the editor first shows it: the background copied, the other
// images blended over it with their alpha at the default parameter values.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

#include "raster/MemBitmap.h"
#include "raster/PngWriter.h"
#include "raster/RasterBlit.h"
#include "resources/img/ArtCanvas.h"

namespace tesselor::resources {
namespace {

using raster::MemBitmap;

constexpr int kPanelWidth = 774;  // pixels
constexpr int kPanelHeight = 237;
constexpr int kStripTop = 207;  // first row of the dark strip along the bottom
constexpr int kKnobWidth = 52;
constexpr int kKnobHeight = 53;
constexpr int kKnobFrames = 31;
constexpr double kSweepDeg = 300.0;  // frame 1 at -150 degrees, frame 31 at +150, 0 = up
constexpr double kKnobCx = 26.0;     // pivot inside a knob frame
constexpr double kKnobCy = 26.5;
constexpr int kSwitchWidth = 47;
constexpr int kSwitchHeight = 62;
constexpr int kOverWidth = 150;
constexpr int kOverHeight = 25;

constexpr double kPi = std::numbers::pi;

// The light comes from above and a little to the left: unit vector towards it, y down.
constexpr double kLightX = -0.38;
constexpr double kLightY = -0.925;

constexpr Colour kLegend{0.93, 0.91, 0.85};  // painted cream legends
constexpr Colour kCopper{0.85, 0.52, 0.30};

// Angle of knob frame `frame` (0-based), degrees clockwise from straight up.
double FrameAngleDeg(int frame) { return -kSweepDeg / 2 + kSweepDeg * frame / (kKnobFrames - 1); }

// Unit vector of a knob angle in canvas coordinates (y down).
double AngleX(double deg) { return std::sin(deg * kPi / 180.0); }
double AngleY(double deg) { return -std::cos(deg * kPi / 180.0); }

// Deterministic noise 0..1 for integer coordinates; our own hash, so that every build and
// library draws the same grain.
double Hash01(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
                 seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFFFFu) / 16777216.0;
}

// Smooth noise along x for one row: brushing streaks `period` pixels long.
double Streak(double x, int row, double period, uint32_t seed) {
    const double u = x / period;
    const int i = static_cast<int>(std::floor(u));
    const double f = u - i, s = f * f * (3.0 - 2.0 * f);
    return Hash01(i, row, seed) * (1.0 - s) + Hash01(i + 1, row, seed) * s;
}

// ---- Knobs ------------------------------------------------------------------------------------

struct KnobStyle {
    Colour cap;
    double skirtRadius;  // pixels: the black knurled body
    double capRadius;    // pixels: the coloured top
};

// Cap colours tell the kinds apart, as on a console: band gains red, frequencies blue, the
// filters grey, the output copper.
constexpr KnobStyle kGainStyle{{0.70, 0.11, 0.09}, 19.5, 12.5};
constexpr KnobStyle kFrequencyStyle{{0.15, 0.30, 0.60}, 18.5, 12.0};
constexpr KnobStyle kFilterStyle{{0.55, 0.56, 0.55}, 18.0, 11.5};
constexpr KnobStyle kOutputStyle{{0.80, 0.50, 0.27}, 20.5, 13.5};

// Scale geometry around a knob, in pixels from its pivot.
double TickInner(const KnobStyle& s) { return s.skirtRadius + 2.5; }
double TickOuter(const KnobStyle& s, bool major) { return s.skirtRadius + (major ? 6.0 : 4.5); }

struct KnobSpec {
    const char* file;
    int left;  // panel position of the frame's top-left corner
    int top;
    const KnobStyle* style;
    const char* low;     // legend at the start of the sweep
    const char* high;    // at the end
    const char* centre;  // above the knob: "0" for boost/cut, the unit or name otherwise
};

const KnobSpec kKnobs[] = {
    {"LG.png", 248, 111, &kGainStyle, "\xE2\x88\x92", "+", "0"},
    {"LF.png", 285, 48, &kFrequencyStyle, ".04", ".6", "kHz"},
    {"LMG.png", 343, 111, &kGainStyle, "\xE2\x88\x92", "+", "0"},
    {"LMF.png", 381, 48, &kFrequencyStyle, ".2", "3.1", "kHz"},
    {"HMG.png", 437, 113, &kGainStyle, "\xE2\x88\x92", "+", "0"},
    {"HMF.png", 477, 48, &kFrequencyStyle, ".4", "6", "kHz"},
    {"HG.png", 532, 113, &kGainStyle, "\xE2\x88\x92", "+", "0"},
    {"HF.png", 573, 47, &kFrequencyStyle, ".9", "15", "kHz"},
    {"HP.png", 60, 114, &kFilterStyle, ".025", "3.15", "HP"},
    {"LP.png", 153, 114, &kFilterStyle, ".16", "20", "LP"},
    {"GAIN.png", 622, 111, &kOutputStyle,
     "\xE2\x88\x92"
     "12",
     "+12", "0"},
};

// Brightness of a surface tilted towards direction (nx, ny) from the pivot: 1 facing the light,
// `dark` facing away.
double Lit(double nx, double ny, double dark) {
    const double facing = (nx * kLightX + ny * kLightY + 1.0) / 2.0;  // 0..1
    return dark + (1.0 - dark) * facing;
}

// Everything of a knob that does not turn: shadow, knurled skirt and domed cap, lit from above.
void DrawKnobBody(ArtCanvas& c, const KnobStyle& s) {
    const double cx = kKnobCx, cy = kKnobCy, R = s.skirtRadius, C = s.capRadius;
    c.Fill(
        BoxAround(cx, cy + 2, R + 5),
        [&](double x, double y) {
            return SoftCoverage(DiscDistance(x, y, cx + 0.6, cy + 1.8, R - 0.5), 4.0);
        },
        [](double, double) { return Grey(0.0, 0.6); });
    // Skirt: black plastic, brighter on the side facing the light, with fine grip ridges.
    c.Fill(
        BoxAround(cx, cy, R + 1),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, cx, cy, R)); },
        [&](double x, double y) {
            const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy) + 1e-9;
            const double phi = std::atan2(dy, dx);
            const double ridge = r > R - 3.2 ? 0.5 + 0.5 * std::cos(phi * 40) : 0.5;
            const double v = 0.055 + 0.13 * Lit(dx / r, dy / r, 0.05) * (r / R);
            return Grey(v * (0.8 + 0.4 * ridge));
        });
    // A bright chamfer where the skirt meets the top, and a dark seam round the cap.
    c.Fill(
        BoxAround(cx, cy, R),
        [&](double x, double y) { return EdgeCoverage(RingDistance(x, y, cx, cy, R - 3.6, 0.5)); },
        [&](double x, double y) {
            const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy) + 1e-9;
            return Grey(0.10 + 0.35 * Lit(dx / r, dy / r, 0.0));
        });
    c.Fill(
        BoxAround(cx, cy, C + 2),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, cx, cy + 0.6, C + 1.0)); },
        [](double, double) { return Grey(0.0, 0.7); });
    // Cap: a shallow dome, lighter towards the light, with a soft highlight.
    c.Fill(
        BoxAround(cx, cy, C + 1),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, cx, cy, C)); },
        [&](double x, double y) {
            const double dx = (x - cx) / C, dy = (y - cy) / C;
            const double facing = dx * kLightX + dy * kLightY;  // -1..1 across the dome
            Colour col = Shade(s.cap, 0.78 + 0.32 * facing);
            const double hx = dx + 0.30, hy = dy + 0.45;  // highlight up and to the left
            const double glint = std::exp(-(hx * hx + hy * hy) * 9.0);
            col = Mix(col, Grey(1.0), 0.35 * glint);
            // Machined rings on the cap's face.
            const double r = std::hypot(dx, dy);
            return Shade(col, 1.0 + 0.035 * std::cos(r * C * 2.2));
        });
    c.Fill(
        BoxAround(cx, cy, C + 1),
        [&](double x, double y) { return EdgeCoverage(RingDistance(x, y, cx, cy, C - 0.5, 0.45)); },
        [&](double x, double y) {
            const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy) + 1e-9;
            return WithAlpha(Grey(Lit(dx / r, dy / r, 0.0)), 0.45);
        });
}

// The white index line at `deg`, from near the pivot across the cap and skirt.
void DrawKnobPointer(ArtCanvas& c, const KnobStyle& s, double deg) {
    const double ux = AngleX(deg), uy = AngleY(deg);
    const double x0 = kKnobCx + ux * 4.5, y0 = kKnobCy + uy * 4.5;
    const double x1 = kKnobCx + ux * (s.skirtRadius - 1.6),
                 y1 = kKnobCy + uy * (s.skirtRadius - 1.6);
    const PixelBox box = BoxAround(kKnobCx, kKnobCy, s.skirtRadius + 2);
    c.Fill(
        box,
        [&](double x, double y) {
            return SoftCoverage(SegmentDistance(x, y, x0 + 0.4, y0 + 0.9, x1 + 0.4, y1 + 0.9, 1.3),
                                1.6);
        },
        [](double, double) { return Grey(0.0, 0.45); });
    c.Fill(
        box,
        [&](double x, double y) {
            return EdgeCoverage(SegmentDistance(x, y, x0, y0, x1, y1, 1.15));
        },
        [](double, double) {
            return Colour{0.97, 0.96, 0.92};
        });
}

// ---- Switches and the oversampling legend -------------------------------------------------------

// One frame of a captioned push button with its lamp above it, unlit or lit.
void DrawSwitch(ArtCanvas& c, ArtFont& captionFont, const char* caption, bool lit) {
    const double cx = kSwitchWidth / 2.0;
    c.TextCentred(captionFont.Render(caption, 1), cx, 7.5, kLegend);

    // Lamp: a red jewel in a chrome bezel; lit, it glows onto the panel around it.
    const double lx = cx, ly = 20.5, lr = 4.0;
    c.Fill(
        BoxAround(lx, ly, lr + 3),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, lx, ly, lr + 1.6)); },
        [&](double x, double y) {
            const double dx = x - lx, dy = y - ly, r = std::hypot(dx, dy) + 1e-9;
            return Grey(0.25 + 0.6 * Lit(dx / r, dy / r, 0.0));
        });
    if (lit) {
        c.Fill(
            BoxAround(lx, ly, lr + 9),
            [&](double x, double y) {
                return SoftCoverage(DiscDistance(x, y, lx, ly, lr + 1.0), 9.0);
            },
            [](double, double) {
                return Colour{1.0, 0.22, 0.08, 0.45};
            });
    }
    c.Fill(
        BoxAround(lx, ly, lr + 1),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, lx, ly, lr)); },
        [&](double x, double y) {
            const double r = std::hypot(x - lx, y - ly) / lr;
            if (lit)
                return Mix(Colour{1.0, 0.82, 0.55}, Colour{0.95, 0.12, 0.04},
                           std::min(1.0, r * 1.1));
            return Mix(Colour{0.36, 0.07, 0.05}, Colour{0.16, 0.02, 0.02}, r);
        });
    c.Fill(
        BoxAround(lx - 1.3, ly - 1.5, 2),
        [&](double x, double y) {
            return SoftCoverage(DiscDistance(x, y, lx - 1.3, ly - 1.5, 0.9), 1.5);
        },
        [](double, double) { return Grey(1.0, 0.65); });

    // Button: a cream square cap standing off the panel.
    const double left = 8.5, top = 29.0, right = 38.5, bottom = 57.5, radius = 3.0;
    c.Fill(
        BoxAround(left, top, right + 2, bottom + 4),
        [&](double x, double y) {
            return SoftCoverage(
                RoundRectDistance(x, y, left + 0.5, top + 1.5, right + 0.5, bottom + 1.5, radius),
                4.0);
        },
        [](double, double) { return Grey(0.0, 0.65); });
    c.Fill(
        BoxAround(left, top, right, bottom),
        [&](double x, double y) {
            return EdgeCoverage(RoundRectDistance(x, y, left, top, right, bottom, radius));
        },
        [&](double x, double y) {
            // The face is lit from above; its bevel rim is lighter on top, darker below.
            const double d = RoundRectDistance(x, y, left, top, right, bottom, radius);
            const double t = (y - top) / (bottom - top);
            double v = 0.80 - 0.12 * t;
            if (d > -2.0) v += (0.12 - 0.34 * t) * std::min(1.0, (2.0 + d) / 2.0);
            return Colour{v, v * 0.985, v * 0.94};
        });
}

// White "OVERSAMPLE OFF" or "ON" on a transparent ground.
void DrawOversample(ArtCanvas& c, ArtFont& font, bool on) {
    c.TextLeft(font.Render(on ? "OVERSAMPLE ON" : "OVERSAMPLE OFF", 1), 12, kOverHeight / 2.0,
               Grey(1.0));
}

// ---- Background --------------------------------------------------------------------------------

struct Fonts {
    ArtFont legend{9, false};   // scale numbers
    ArtFont caption{9, true};   // names beside knobs, switch captions
    ArtFont section{10, true};  // band headings
    ArtFont product{19, true};
    ArtFont maker{10, false};
    ArtFont small{7, true};
    ArtFont sign{11, true};  // the lone - and + of the boost/cut scales
};

void DrawBrushedPanel(ArtCanvas& c) {
    c.Fill(
        PixelBox{0, 0, kPanelWidth, kPanelHeight}, [](double, double) { return 1.0; },
        [](double x, double y) {
            const int row = static_cast<int>(y);
            const double grain = 0.030 * (Streak(x, row, 23.0, 1) - 0.5) +
                                 0.020 * (Streak(x, row, 97.0, 2) - 0.5) +
                                 0.012 * (Hash01(static_cast<int>(x), row, 3) - 0.5);
            if (y >= kStripTop) {
                return Colour{0.07 + grain * 0.4, 0.07 + grain * 0.4, 0.075 + grain * 0.4};
            }
            // Lighter near the top edge, where the light falls; a faint fall-off to the sides.
            const double sx = (x - kPanelWidth / 2.0) / (kPanelWidth / 2.0);
            const double v = 0.215 - 0.055 * (y / kStripTop) - 0.02 * sx * sx + grain;
            return Colour{v * 0.97, v, v * 1.04};
        });
    // Edges: a highlight along the top, the panel's lip above the strip, the strip's own bevel.
    for (int x = 0; x < kPanelWidth; ++x) {
        c.Blend(x, 0, Grey(1.0), 0.18);
        c.Blend(x, kStripTop - 2, Grey(0.0), 0.25);
        c.Blend(x, kStripTop - 1, Grey(0.0), 0.55);
        c.Blend(x, kStripTop, Grey(1.0), 0.07);
        c.Blend(x, kPanelHeight - 1, Grey(0.0), 0.5);
    }
}

// A countersunk cross-head screw at (cx, cy).
void DrawScrew(ArtCanvas& c, double cx, double cy) {
    const double r = 4.5;
    c.Fill(
        BoxAround(cx, cy, r + 3),
        [&](double x, double y) {
            return SoftCoverage(DiscDistance(x, y, cx + 0.5, cy + 1.2, r), 2.5);
        },
        [](double, double) { return Grey(0.0, 0.5); });
    c.Fill(
        BoxAround(cx, cy, r + 1),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, cx, cy, r)); },
        [&](double x, double y) {
            const double dx = (x - cx) / r, dy = (y - cy) / r;
            return Grey(0.38 + 0.22 * (dx * kLightX + dy * kLightY));
        });
    for (double deg : {45.0, 135.0}) {
        const double ux = AngleX(deg) * (r - 1.2), uy = AngleY(deg) * (r - 1.2);
        c.Fill(
            BoxAround(cx, cy, r),
            [&](double x, double y) {
                return EdgeCoverage(SegmentDistance(x, y, cx - ux, cy - uy, cx + ux, cy + uy, 0.6));
            },
            [](double, double) { return Grey(0.08); });
    }
}

// A shallow recess the three lamp switches sit in; its upper edge is in shadow, its lower edge
// catches the light.
void DrawSwitchWell(ArtCanvas& c) {
    const double left = 99.5, top = 29.5, right = 231.5, bottom = 99.5, radius = 5.0;
    c.Fill(
        BoxAround(left, top, right, bottom),
        [&](double x, double y) {
            return EdgeCoverage(RoundRectDistance(x, y, left, top, right, bottom, radius));
        },
        [&](double x, double y) {
            const double d = RoundRectDistance(x, y, left, top, right, bottom, radius);
            const double t = (y - top) / (bottom - top);
            if (d > -1.5) return t < 0.5 ? Grey(0.0, 0.45) : Grey(1.0, 0.10);
            return Grey(0.0, 0.16);
        });
}

// A band heading: bold capitals between two hairlines that span the section, their ends turned
// down towards the controls.
void DrawSectionHeading(ArtCanvas& c, ArtFont& font, const char* text, double left, double right,
                        double cy) {
    const TextMask mask = font.Render(text, 1);
    const double cx = (left + right) / 2;
    c.TextCentred(mask, cx, cy, kLegend);
    const double half = (mask.ink.right - mask.ink.left) / 2.0 + 5.0;
    const Colour line = WithAlpha(kLegend, 0.55);
    auto stroke = [&](double x0, double y0, double x1, double y1) {
        c.Fill(
            BoxAround(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)),
            [&](double x, double y) {
                return EdgeCoverage(SegmentDistance(x, y, x0, y0, x1, y1, 0.5));
            },
            [&](double, double) { return line; });
    };
    stroke(left, cy, cx - half, cy);
    stroke(cx + half, cy, right, cy);
    stroke(left, cy, left, cy + 5);
    stroke(right, cy, right, cy + 5);
}

// Places `mask` on the ray at `deg` from the knob pivot (px, py), just clear of a circle of
// `clearance` pixels: the first centre, stepping outwards, whose ink box stays outside it.
void DrawLegendOnRay(ArtCanvas& c, const TextMask& mask, double px, double py, double deg,
                     double clearance, const Colour& colour) {
    const double w = mask.ink.right - mask.ink.left, h = mask.ink.bottom - mask.ink.top;
    double r = clearance;
    for (;; r += 0.25) {
        const double cx = px + AngleX(deg) * r, cy = py + AngleY(deg) * r;
        const double nx = std::clamp(px, cx - w / 2, cx + w / 2);
        const double ny = std::clamp(py, cy - h / 2, cy + h / 2);
        if (std::hypot(nx - px, ny - py) >= clearance) break;
    }
    c.TextCentred(mask, px + AngleX(deg) * r, py + AngleY(deg) * r, colour);
}

// A knob's painted scale: eleven ticks over the sweep (the ends and the centre longer) and its
// legends.
void DrawKnobScale(ArtCanvas& c, Fonts& fonts, const KnobSpec& k) {
    const KnobStyle& s = *k.style;
    const double px = k.left + kKnobCx, py = k.top + kKnobCy;
    for (int i = 0; i <= 10; ++i) {
        const double deg = -kSweepDeg / 2 + kSweepDeg * i / 10;
        const bool major = i == 0 || i == 5 || i == 10;
        const double r0 = TickInner(s), r1 = TickOuter(s, major);
        const double x0 = px + AngleX(deg) * r0, y0 = py + AngleY(deg) * r0;
        const double x1 = px + AngleX(deg) * r1, y1 = py + AngleY(deg) * r1;
        c.Fill(
            BoxAround(px, py, r1 + 1),
            [&](double x, double y) {
                return EdgeCoverage(SegmentDistance(x, y, x0, y0, x1, y1, major ? 0.75 : 0.6));
            },
            [](double, double) { return kLegend; });
    }
    const double clear = TickOuter(s, true) + 2.0;
    ArtFont& endFont = std::strcmp(k.high, "+") == 0 ? fonts.sign : fonts.legend;
    DrawLegendOnRay(c, endFont.Render(k.low), px, py, -150.0, clear, kLegend);
    DrawLegendOnRay(c, endFont.Render(k.high), px, py, 150.0, clear, kLegend);
    const bool isName = std::strcmp(k.centre, "HP") == 0 || std::strcmp(k.centre, "LP") == 0;
    ArtFont& centreFont = isName ? fonts.caption : fonts.legend;
    DrawLegendOnRay(c, centreFont.Render(k.centre), px, py, 0.0, clear, kLegend);
}

// The maker's badge at the right end of the strip; the editor opens the product page from it.
void DrawBadge(ArtCanvas& c, Fonts& fonts) {
    const double left = 681.5, top = 211.5, right = 767.5, bottom = 231.5, radius = 4.0;
    c.Fill(
        BoxAround(left, top, right, bottom),
        [&](double x, double y) {
            return EdgeCoverage(RoundRectDistance(x, y, left, top, right, bottom, radius));
        },
        [&](double x, double y) {
            const double d = RoundRectDistance(x, y, left, top, right, bottom, radius);
            const double t = (y - top) / (bottom - top);
            double k = 1.05 - 0.35 * t + 0.05 * (Streak(x, static_cast<int>(y), 9.0, 4) - 0.5);
            if (d > -1.2) k *= y < (top + bottom) / 2 ? 1.25 : 0.7;
            return Shade(kCopper, k);
        });
    // A coil of copper wire: the maker's mark.
    const double ex = left + 11.0, ey = (top + bottom) / 2;
    c.Fill(
        BoxAround(ex, ey, 8),
        [&](double x, double y) { return EdgeCoverage(DiscDistance(x, y, ex, ey, 7.0)); },
        [](double, double) {
            return Colour{0.17, 0.09, 0.05};
        });
    for (int turn = 0; turn < 3; ++turn) {
        const double r = 2.0 + 1.6 * turn;
        c.Fill(
            BoxAround(ex, ey, 8),
            [&](double x, double y) { return EdgeCoverage(RingDistance(x, y, ex, ey, r, 0.45)); },
            [&](double, double y) { return Shade(kCopper, 1.1 - 0.35 * (y - ey + 7) / 14); });
    }
    const Colour ink{0.17, 0.09, 0.05};
    c.TextLeft(fonts.small.Render("COPPER", 1), static_cast<int>(ex + 11), ey - 4.0, ink);
    c.TextLeft(fonts.small.Render("WIREWORKS", 0), static_cast<int>(ex + 11), ey + 4.5, ink);
}

void DrawBackground(ArtCanvas& c, Fonts& fonts) {
    DrawBrushedPanel(c);
    for (const auto& [x, y] :
         {std::pair{10.5, 10.5}, {763.5, 10.5}, {10.5, 195.5}, {763.5, 195.5}}) {
        DrawScrew(c, x, y);
    }
    DrawSwitchWell(c);
    // An engraved groove between the filter section and the bands: dark, with a lit lower lip.
    for (int y = 28; y < 200; ++y) {
        c.Blend(242, y, Grey(0.0), 0.45);
        c.Blend(243, y, Grey(1.0), 0.08);
    }

    const double headingY = 16.5;
    DrawSectionHeading(c, fonts.section, "FILTERS", 50, 238, headingY);
    DrawSectionHeading(c, fonts.section, "LOW", 246, 338, headingY);
    DrawSectionHeading(c, fonts.section, "LOW-MID", 342, 434, headingY);
    DrawSectionHeading(c, fonts.section, "HIGH-MID", 438, 530, headingY);
    DrawSectionHeading(c, fonts.section, "HI", 534, 626, headingY);
    // No room for the heading's hairlines between the HI and the output scales.
    c.TextCentred(fonts.section.Render("OUTPUT", 1), 622 + kKnobCx, 89.5, kLegend);

    for (const KnobSpec& k : kKnobs) DrawKnobScale(c, fonts, k);

    // Maker and product, top right.
    const double nameX = 700;
    c.TextCentred(fonts.maker.Render("CopperWireworks"), nameX, 16.5, kCopper);
    c.TextCentred(fonts.product.Render("TESSELOR", 2), nameX, 36, kLegend);
    c.TextCentred(fonts.small.Render("CONSOLE EQUALISER", 1), nameX, 53, WithAlpha(kLegend, 0.8));

    DrawBadge(c, fonts);
}

// ---- Output ------------------------------------------------------------------------------------

struct NamedImage {
    std::string file;
    std::unique_ptr<MemBitmap> bitmap;
};

// Stacks frames top to bottom into one image (copied exactly, alpha included).
std::unique_ptr<MemBitmap> Stack(const std::vector<std::unique_ptr<MemBitmap>>& frames) {
    if (frames.empty() || !frames[0]) return nullptr;
    const int w = frames[0]->Width(), h = frames[0]->Height();
    auto strip = std::make_unique<MemBitmap>();
    strip->Resize(w, h * static_cast<int>(frames.size()));
    if (!strip->Pixels()) return nullptr;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!frames[i]) return nullptr;
        raster::RasterBlit(strip.get(), frames[i].get(), 0, h * static_cast<int>(i), nullptr, 1.0f,
                           raster::kBlitCopy);
    }
    return strip;
}

std::unique_ptr<MemBitmap> MakeKnob(const KnobStyle& style) {
    ArtCanvas body(kKnobWidth, kKnobHeight);
    DrawKnobBody(body, style);
    std::vector<std::unique_ptr<MemBitmap>> frames;
    for (int f = 0; f < kKnobFrames; ++f) {
        ArtCanvas frame = body;
        DrawKnobPointer(frame, style, FrameAngleDeg(f));
        frames.push_back(frame.ToBitmap());
    }
    return Stack(frames);
}

std::vector<NamedImage> MakeImages(Fonts& fonts) {
    std::vector<NamedImage> images;
    ArtCanvas bg(kPanelWidth, kPanelHeight);
    DrawBackground(bg, fonts);
    images.push_back({"BG.png", bg.ToBitmap()});

    for (const auto& [file, caption] :
         {std::pair{"BELL.png", "BELL"}, {"HPLP.png", "HP-LP"}, {"BY.png", "IN"}}) {
        std::vector<std::unique_ptr<MemBitmap>> frames;
        for (bool lit : {false, true}) {
            ArtCanvas c(kSwitchWidth, kSwitchHeight);
            DrawSwitch(c, fonts.caption, caption, lit);
            frames.push_back(c.ToBitmap());
        }
        images.push_back({file, Stack(frames)});
    }
    {
        std::vector<std::unique_ptr<MemBitmap>> frames;
        for (bool on : {false, true}) {
            ArtCanvas c(kOverWidth, kOverHeight);
            DrawOversample(c, fonts.caption, on);
            frames.push_back(c.ToBitmap());
        }
        images.push_back({"OVER.png", Stack(frames)});
    }
    for (const KnobSpec& k : kKnobs) images.push_back({k.file, MakeKnob(*k.style)});
    return images;
}

MemBitmap* Find(const std::vector<NamedImage>& images, const char* file) {
    for (const NamedImage& image : images) {
        if (image.file == file) return image.bitmap.get();
    }
    return nullptr;
}

// The panel as a fresh editor shows it: IN lit, HP-LP and BELL unlit, OVERSAMPLE OFF, gain and
// frequency knobs and GAIN centred, HP fully left, LP fully right.
std::unique_ptr<MemBitmap> ComposePreview(const std::vector<NamedImage>& images) {
    auto panel = std::make_unique<MemBitmap>();
    panel->Resize(kPanelWidth, kPanelHeight);
    if (!panel->Pixels()) return nullptr;
    raster::RasterBlit(panel.get(), Find(images, "BG.png"), 0, 0, nullptr, 1.0f, raster::kBlitCopy);
    auto draw = [&](const char* file, int x, int y, int w, int h, int frame) {
        const raster::RasterRect source{0, h * frame, w, h * (frame + 1)};
        raster::RasterBlit(panel.get(), Find(images, file), x, y, &source, 1.0f,
                           raster::kBlitUseSourceAlpha);
    };
    draw("BELL.png", 188, 35, kSwitchWidth, kSwitchHeight, 0);
    draw("HPLP.png", 142, 35, kSwitchWidth, kSwitchHeight, 0);
    draw("BY.png", 96, 35, kSwitchWidth, kSwitchHeight, 1);
    draw("OVER.png", 0, 209, kOverWidth, kOverHeight, 0);
    for (const KnobSpec& k : kKnobs) {
        const int frame = std::strcmp(k.file, "HP.png") == 0   ? 0
                          : std::strcmp(k.file, "LP.png") == 0 ? kKnobFrames - 1
                                                               : kKnobFrames / 2;
        draw(k.file, k.left, k.top, kKnobWidth, kKnobHeight, frame);
    }
    return panel;
}

bool Write(MemBitmap* bitmap, const std::filesystem::path& path) {
    const raster::PngWriteStatus status = raster::WritePngToFile(bitmap, path.string().c_str());
    if (status == raster::PngWriteStatus::kOk) return true;
    std::fprintf(stderr, "tesselor_make_artwork: %s: %s\n", path.string().c_str(),
                 raster::DescribePngWriteStatus(status));
    return false;
}

int Run(int argc, char** argv) {
    const char* outDir = nullptr;
    const char* preview = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
            preview = argv[++i];
        } else if (argv[i][0] != '-' && !outDir) {
            outDir = argv[i];
        } else {
            outDir = nullptr;
            break;
        }
    }
    if (!outDir) {
        std::fprintf(stderr, "usage: tesselor_make_artwork OUT_DIR [--preview FILE.png]\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error) {
        std::fprintf(stderr, "tesselor_make_artwork: %s: %s\n", outDir, error.message().c_str());
        return 1;
    }

    Fonts fonts;
    for (ArtFont* font : {&fonts.legend, &fonts.caption, &fonts.section, &fonts.product,
                          &fonts.maker, &fonts.small, &fonts.sign}) {
        if (!font->IsLoaded()) {
            std::fprintf(stderr, "tesselor_make_artwork: no DejaVu Sans font could be loaded\n");
            return 1;
        }
    }
    const std::vector<NamedImage> images = MakeImages(fonts);
    bool ok = true;
    for (const NamedImage& image : images) {
        ok = Write(image.bitmap.get(), std::filesystem::path(outDir) / image.file) && ok;
    }
    if (preview) {
        const auto panel = ComposePreview(images);
        ok = Write(panel.get(), preview) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace tesselor::resources

int main(int argc, char** argv) { return tesselor::resources::Run(argc, argv); }
