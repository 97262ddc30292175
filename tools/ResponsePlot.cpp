#include "tools/ResponsePlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "raster/CachedFont.h"
#include "raster/RasterBlit.h"
#include "raster/TextBackend.h"
#include "tools/StrokeMask.h"

namespace tesselor::tools {

namespace {

// Pixel words 0xAARRGGBB, after the editor panel: brushed dark grey, cream legends, copper.
constexpr uint32_t kBackground = 0xFF2B2C2Eu;
constexpr uint32_t kPlotFill = 0xFF151617u;
constexpr uint32_t kFrame = 0xFF55575Au;
constexpr uint32_t kGridMinor = 0xFF222427u;
constexpr uint32_t kGridMajor = 0xFF34373Bu;
constexpr uint32_t kZeroLine = 0xFF8C8A83u;
constexpr uint32_t kTitleText = 0xFFEDE8D9u;
constexpr uint32_t kLabelText = 0xFFA8A59Cu;
constexpr uint32_t kLeftCurve = 0xFFEE9A55u;
constexpr uint32_t kRightCurve = 0xFF7DB8E8u;

constexpr int kTitleEmPx = 14;
constexpr int kLabelEmPx = 12;
constexpr int kMarginLeft = 60;  // pixels: room for the dB labels
constexpr int kMarginRight = 28;
constexpr int kMarginBottom = 40;  // the frequency labels
constexpr int kTitleTop = 12;
constexpr int kTitleGap = 14;  // from the title's last line to the plot
constexpr std::size_t kMaxTitleLines = 3;
constexpr int kSidePad = 16;  // title indent from the picture's edges

constexpr double kLeftWidthPx = 2.2;  // stroke widths
constexpr double kRightWidthPx = 1.8;
constexpr double kMinHalfRangeDb = 6.0;
constexpr double kMaxRangeDb = 96.0;
constexpr double kHeadroomDb = 1.0;           // between the curve's extremes and the plot's edge
constexpr int kMaxDivisions = 10;             // dB grid lines across the plot, at most
constexpr double kIgnoredLowFraction = 0.01;  // of the levels, when choosing the dB axis

// A face at one size and colour, drawn through the raster layer's cached glyphs.
class Font {
public:
    Font(int emPx, bool bold, uint32_t color) {
        raster::TextFontSpec fontSpec;
        fontSpec.height = -emPx;
        fontSpec.weight = bold ? 700 : 400;
        fontSpec.face = "DejaVu Sans";
        _font.AttachFontHandle(raster::CreateTextFont(fontSpec).release(), raster::kFontOwnsHandle);
        _font.SetForeground(color);
        _font.SetBackgroundMode(raster::kBackgroundTransparent);
        _font.SetBlend(raster::kBlitCopy, 1.0f);
    }

    int LineHeight() const { return _font.LineHeight(); }

    int Width(const std::string& text) {
        raster::RasterRect r{};
        _font.DrawString(nullptr, text.c_str(), static_cast<int>(text.size()), r,
                         raster::kTextCalcRect | raster::kTextSingleLine);
        return r.right - r.left;
    }

    // `text` with its top-left corner at (x, y).
    void Draw(raster::RasterBitmap& bitmap, const std::string& text, int x, int y) {
        raster::RasterRect r{x, y, x + Width(text) + 1, y + LineHeight()};
        _font.DrawString(&bitmap, text.c_str(), static_cast<int>(text.size()), r,
                         raster::kTextSingleLine | raster::kTextNoClip);
    }

private:
    raster::CachedFont _font;
};

// `title` broken into lines no wider than `width` pixels, at a space after a comma or before a
// dash where it can ("LGain 0.85," and "— 48 kHz" stay whole), else at any space; a word wider
// than a line stays whole.
std::vector<std::string> WrapText(Font& font, const std::string& title, int width) {
    const std::string dash = "\xE2\x80\x94";  // U+2014 EM DASH
    std::vector<std::string> words;
    for (std::size_t at = 0; at <= title.size();) {
        std::size_t end = title.find(' ', at);
        if (end == std::string::npos) end = title.size();
        if (end > at) words.push_back(title.substr(at, end - at));
        at = end + 1;
    }
    // Words joined into the pieces a line prefers to break between.
    std::vector<std::string> pieces;
    bool open = false;  // the last piece takes the next word
    for (const std::string& word : words) {
        if (open && word != dash)
            pieces.back() += " " + word;
        else
            pieces.push_back(word);
        open = word.back() != ',';
    }
    std::vector<std::string> lines;
    auto place = [&](const std::string& piece) {
        if (lines.empty() || font.Width(lines.back() + " " + piece) > width)
            lines.push_back(piece);
        else
            lines.back() += " " + piece;
    };
    for (const std::string& piece : pieces) {
        if (font.Width(piece) <= width) {
            place(piece);
            continue;
        }
        std::size_t at = 0;
        for (std::size_t end; (end = piece.find(' ', at)) != std::string::npos; at = end + 1)
            place(piece.substr(at, end - at));
        place(piece.substr(at));
    }
    if (lines.empty()) lines.emplace_back();
    return lines;
}

// The dB axis: the top and bottom of the plot and the grid step, whole multiples of the step.
struct DbAxis {
    double topDb = kMinHalfRangeDb;
    double bottomDb = -kMinHalfRangeDb;
    double stepDb = 3.0;
};

DbAxis ChooseDbAxis(double lowestDb, double highestDb) {
    DbAxis axis;
    for (const double step : {3.0, 6.0, 12.0, 24.0}) {
        axis.stepDb = step;
        // Both ends on the grid, so that 0 dB is a grid line and labelled.
        const double least = std::ceil(kMinHalfRangeDb / step) * step;
        axis.topDb = std::max(least, std::ceil((highestDb + kHeadroomDb) / step) * step);
        axis.bottomDb = std::min(-least, std::floor((lowestDb - kHeadroomDb) / step) * step);
        // kMaxRangeDb is a multiple of every step, so the bottom stays on the grid.
        axis.bottomDb = std::max(axis.bottomDb, axis.topDb - kMaxRangeDb);
        if ((axis.topDb - axis.bottomDb) / step <= kMaxDivisions) break;
    }
    return axis;
}

std::string DbLabel(double db) {
    char text[32];
    // U+2212 MINUS SIGN: a hyphen is too short to read beside a plus.
    std::snprintf(text, sizeof text, "%s%.0f",
                  db > 0   ? "+"
                  : db < 0 ? "\xE2\x88\x92"
                           : "",
                  std::fabs(db));
    return text;
}

std::string FrequencyLabel(double hz) {
    char text[32];
    if (hz < 1000.0)
        std::snprintf(text, sizeof text, "%g", hz);
    else
        std::snprintf(text, sizeof text, "%gk", hz / 1000.0);
    return text;
}

}  // namespace

std::unique_ptr<raster::MemBitmap> DrawResponsePlot(const MagnitudeResponse& response,
                                                    const std::string& title) {
    auto bitmap = std::make_unique<raster::MemBitmap>();
    bitmap->Resize(kResponsePlotWidth, kResponsePlotHeight);
    if (!bitmap->Pixels() || response.frequenciesHz.size() < 2) return nullptr;
    raster::RasterBitmap& b = *bitmap;
    raster::RasterFillRect(&b, 0, 0, kResponsePlotWidth, kResponsePlotHeight, kBackground, 1.0f,
                           raster::kBlitCopy);

    Font titleFont(kTitleEmPx, true, kTitleText);
    Font labelFont(kLabelEmPx, false, kLabelText);
    std::vector<std::string> titleLines =
        WrapText(titleFont, title, kResponsePlotWidth - 2 * kSidePad);
    if (titleLines.size() > kMaxTitleLines) {
        // The plot keeps its room; an ellipsis says that settings are missing.
        titleLines.resize(kMaxTitleLines);
        titleLines.back() += " \xE2\x80\xA6";
    }
    int y = kTitleTop;
    for (const std::string& line : titleLines) {
        titleFont.Draw(b, line, kSidePad, y);
        y += titleFont.LineHeight();
    }

    // The plot area, right and bottom exclusive; the frame lies just outside it.
    const int left = kMarginLeft, right = kResponsePlotWidth - kMarginRight;
    const int top = y + kTitleGap, bottom = kResponsePlotHeight - kMarginBottom;
    const int width = right - left, height = bottom - top;
    raster::RasterFillRect(&b, left - 1, top - 1, width + 2, height + 2, kFrame, 1.0f,
                           raster::kBlitCopy);
    raster::RasterFillRect(&b, left, top, width, height, kPlotFill, 1.0f, raster::kBlitCopy);

    const std::vector<double>& hz = response.frequenciesHz;
    const double lowHz = hz.front(), highHz = hz.back();
    const bool drawRight = response.RightDiffers();
    auto xOf = [&](double f) {
        return left + width * std::log(f / lowHz) / std::log(highHz / lowHz);
    };
    // Right-channel segments drawn: those with an end where the channels differ.
    auto rightDiffersAt = [&](std::size_t i) {
        return std::fabs(response.rightDb[i] - response.leftDb[i]) >
               MagnitudeResponse::kChannelToleranceDb;
    };
    // The axis holds every peak, but only all but the lowest 1 % of the levels: a dip as narrow
    // as the exact zero many filters put at the Nyquist frequency would otherwise stretch it to
    // its full height and flatten everything else. Such dips leave the plot at the bottom.
    std::vector<double> levels(response.leftDb);
    for (std::size_t i = 0; drawRight && i < hz.size(); ++i) {
        if (rightDiffersAt(i)) levels.push_back(response.rightDb[i]);
    }
    std::sort(levels.begin(), levels.end());
    const double lowestDb =
        levels[static_cast<std::size_t>(static_cast<double>(levels.size()) * kIgnoredLowFraction)];
    const double highestDb = levels.back();
    const DbAxis axis = ChooseDbAxis(lowestDb, highestDb);
    auto yOf = [&](double db) {
        return top + height * (axis.topDb - db) / (axis.topDb - axis.bottomDb);
    };

    // Frequency grid: every 1..9 x 10^k faintly, 1, 2 and 5 x 10^k from 20 Hz up labelled.
    const int labelHeight = labelFont.LineHeight();
    int lastLabelRight = left - 1000;
    for (double decade = 10.0; decade <= highHz; decade *= 10.0) {
        for (int m = 1; m <= 9; ++m) {
            const double f = decade * m;
            if (f <= lowHz || f >= highHz) continue;
            const bool labelled = m == 1 || m == 2 || m == 5;
            const int x = static_cast<int>(std::floor(xOf(f)));
            raster::RasterFillRect(&b, x, top, 1, height, labelled ? kGridMajor : kGridMinor, 1.0f,
                                   raster::kBlitCopy);
            if (!labelled) continue;
            const std::string text = FrequencyLabel(f);
            const int w = labelFont.Width(text);
            const int textLeft = x - w / 2;
            if (textLeft < lastLabelRight + 6 || textLeft + w > kResponsePlotWidth - 4) continue;
            labelFont.Draw(b, text, textLeft, bottom + 6);
            lastLabelRight = textLeft + w;
        }
    }

    // dB grid, 0 dB brighter and drawn last so that nothing crosses it.
    for (double db = axis.bottomDb; db <= axis.topDb + 1e-9; db += axis.stepDb) {
        const int yy = std::min(static_cast<int>(std::floor(yOf(db))), bottom - 1);
        if (db != 0.0)
            raster::RasterFillRect(&b, left, yy, width, 1, kGridMajor, 1.0f, raster::kBlitCopy);
        const std::string text = DbLabel(db);
        labelFont.Draw(b, text, left - 8 - labelFont.Width(text), yy - labelHeight / 2);
    }
    // The units under their scales: "dB" below the lowest level, "Hz" below the highest
    // frequency, on the line under the frequency labels.
    const int captionY = bottom + 8 + labelHeight;
    const std::string dbCaption = "dB";
    labelFont.Draw(b, dbCaption, left - 8 - labelFont.Width(dbCaption), captionY);
    const std::string hzCaption = "Hz";
    labelFont.Draw(b, hzCaption, right - labelFont.Width(hzCaption), captionY);
    if (axis.topDb >= 0.0 && axis.bottomDb <= 0.0) {
        const int y0 = std::min(static_cast<int>(std::floor(yOf(0.0))), bottom - 1);
        raster::RasterFillRect(&b, left, y0, width, 1, kZeroLine, 1.0f, raster::kBlitCopy);
    }

    // The curves, clipped to the plot area.
    StrokeMask mask({left, top, right, bottom});
    if (drawRight) {
        for (std::size_t i = 0; i + 1 < hz.size(); ++i) {
            if (!rightDiffersAt(i) && !rightDiffersAt(i + 1)) continue;
            mask.AddSegment(xOf(hz[i]), yOf(response.rightDb[i]), xOf(hz[i + 1]),
                            yOf(response.rightDb[i + 1]), kRightWidthPx);
        }
        mask.Composite(b, kRightCurve);
    }
    for (std::size_t i = 0; i + 1 < hz.size(); ++i) {
        mask.AddSegment(xOf(hz[i]), yOf(response.leftDb[i]), xOf(hz[i + 1]),
                        yOf(response.leftDb[i + 1]), kLeftWidthPx);
    }
    mask.Composite(b, kLeftCurve);

    if (drawRight) {
        // Legend in the top right corner: a short stroke and the channel's name.
        int legendX = right - 12;
        const int legendY = top + 10;
        for (const auto& [name, color] : {std::pair<const char*, uint32_t>{"right", kRightCurve},
                                          std::pair<const char*, uint32_t>{"left", kLeftCurve}}) {
            const int w = labelFont.Width(name);
            legendX -= w;
            labelFont.Draw(b, name, legendX, legendY);
            StrokeMask sample({legendX - 28, legendY, legendX - 6, legendY + labelHeight});
            const double cy = legendY + labelHeight / 2.0;
            sample.AddSegment(legendX - 26, cy, legendX - 8, cy, kLeftWidthPx);
            sample.Composite(b, color);
            legendX -= 28 + 16;
        }
    }
    return bitmap;
}

}  // namespace tesselor::tools
