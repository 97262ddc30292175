#include "resources/img/ArtCanvas.h"

#include "raster/RasterBlit.h"
#include "raster/TextBackend.h"
#include "raster/Utf8.h"

namespace tesselor::resources {

namespace {

constexpr int kMaskMarginPx = 3;  // room for glyphs that reach left of the pen or past the advance

uint8_t ToByte(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

}  // namespace

Colour Shade(const Colour& c, double k) {
    return {std::min(c.r * k, 1.0), std::min(c.g * k, 1.0), std::min(c.b * k, 1.0), c.a};
}

Colour WithAlpha(const Colour& c, double alpha) { return {c.r, c.g, c.b, alpha}; }

Colour Mix(const Colour& a, const Colour& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

double SoftCoverage(double distance, double width) {
    const double t = std::clamp(0.5 - distance / width, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double DiscDistance(double x, double y, double cx, double cy, double radius) {
    return std::hypot(x - cx, y - cy) - radius;
}

double RingDistance(double x, double y, double cx, double cy, double radius, double halfWidth) {
    return std::abs(std::hypot(x - cx, y - cy) - radius) - halfWidth;
}

double SegmentDistance(double x, double y, double x0, double y0, double x1, double y1,
                       double halfWidth) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double lengthSq = dx * dx + dy * dy;
    const double t =
        lengthSq > 0.0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / lengthSq, 0.0, 1.0) : 0.0;
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - halfWidth;
}

double RoundRectDistance(double x, double y, double left, double top, double right, double bottom,
                         double radius) {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double qx = std::abs(x - cx) - ((right - left) / 2 - radius);
    const double qy = std::abs(y - cy) - ((bottom - top) / 2 - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

PixelBox BoxAround(double cx, double cy, double reach) {
    return BoxAround(cx - reach, cy - reach, cx + reach, cy + reach);
}

PixelBox BoxAround(double left, double top, double right, double bottom) {
    return {static_cast<int>(std::floor(left)) - 1, static_cast<int>(std::floor(top)) - 1,
            static_cast<int>(std::ceil(right)) + 1, static_cast<int>(std::ceil(bottom)) + 1};
}

ArtFont::ArtFont(int emPx, bool bold) {
    raster::TextFontSpec fontSpec;
    fontSpec.height = -emPx;
    fontSpec.weight = bold ? 700 : 400;
    fontSpec.face = "DejaVu Sans";
    _font.AttachFontHandle(raster::CreateTextFont(fontSpec).release(), raster::kFontOwnsHandle);
    _font.SetForeground(0xFFFFFFFFu);
    _font.SetBackgroundMode(raster::kBackgroundTransparent);
    _font.SetBlend(raster::kBlitCopy, 1.0f);
}

int ArtFont::Advance(const char* text, int length) {
    raster::RasterRect r{};
    _font.DrawString(nullptr, text, length, r, raster::kTextCalcRect | raster::kTextSingleLine);
    return r.right - r.left;
}

TextMask ArtFont::Render(const char* text, int trackingPx) {
    TextMask mask;
    if (!IsLoaded()) return mask;
    // The characters one by one, so that tracking can go between them.
    struct Piece {
        const char* at;
        int bytes;
        int x;  // pen, pixels from the mask's left edge
    };
    std::vector<Piece> pieces;
    raster::Utf8Cursor cursor(text, -1);
    uint32_t code = 0;
    int bytes = 0, pen = kMaskMarginPx;
    const char* at = text;
    while (cursor.Next(code, bytes)) {
        pieces.push_back({at, bytes, pen});
        pen += Advance(at, bytes) + trackingPx;
        at += bytes;
    }
    mask.width = pen - (pieces.empty() ? 0 : trackingPx) + kMaskMarginPx;
    mask.height = _font.LineHeight();
    raster::MemBitmap scratch;
    scratch.Resize(mask.width, mask.height);
    if (!scratch.Pixels()) return {};
    // White on opaque black: the red byte of each pixel is then the glyphs' coverage.
    raster::RasterFillRect(&scratch, 0, 0, mask.width, mask.height, 0xFF000000u, 1.0f,
                           raster::kBlitCopy);
    for (const Piece& p : pieces) {
        raster::RasterRect r{p.x, 0, mask.width, mask.height};
        _font.DrawString(&scratch, p.at, p.bytes, r, raster::kTextSingleLine | raster::kTextNoClip);
    }
    mask.coverage.resize(static_cast<size_t>(mask.width) * mask.height);
    mask.ink = {mask.width, mask.height, 0, 0};
    for (int y = 0; y < mask.height; ++y) {
        const uint32_t* row = scratch.Row(y);
        for (int x = 0; x < mask.width; ++x) {
            const uint8_t k = static_cast<uint8_t>(row[x] >> 16);
            mask.coverage[static_cast<size_t>(y) * mask.width + x] = k;
            if (k == 0) continue;
            mask.ink.left = std::min(mask.ink.left, x);
            mask.ink.top = std::min(mask.ink.top, y);
            mask.ink.right = std::max(mask.ink.right, x + 1);
            mask.ink.bottom = std::max(mask.ink.bottom, y + 1);
        }
    }
    if (mask.ink.right == 0) mask.ink = {};
    return mask;
}

ArtCanvas::ArtCanvas(int width, int height)
    : _width(width), _height(height), _pixels(static_cast<size_t>(width) * height * 4, 0.0) {}

void ArtCanvas::Blend(int x, int y, const Colour& c, double coverage) {
    if (x < 0 || y < 0 || x >= _width || y >= _height) return;
    const double a = std::clamp(c.a * coverage, 0.0, 1.0);
    double* p = &_pixels[(static_cast<size_t>(y) * _width + x) * 4];
    p[0] = c.r * a + p[0] * (1.0 - a);
    p[1] = c.g * a + p[1] * (1.0 - a);
    p[2] = c.b * a + p[2] * (1.0 - a);
    p[3] = a + p[3] * (1.0 - a);
}

Colour ArtCanvas::At(int x, int y) const {
    const double* p = &_pixels[(static_cast<size_t>(y) * _width + x) * 4];
    if (p[3] <= 0.0) return {0.0, 0.0, 0.0, 0.0};
    return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

void ArtCanvas::BlendMask(const TextMask& mask, int x, int y, const Colour& colour) {
    for (int r = 0; r < mask.height; ++r) {
        for (int c = 0; c < mask.width; ++c) {
            const uint8_t k = mask.coverage[static_cast<size_t>(r) * mask.width + c];
            if (k) Blend(x + c, y + r, colour, k / 255.0);
        }
    }
}

void ArtCanvas::TextCentred(const TextMask& mask, double cx, double cy, const Colour& colour) {
    const double inkX = (mask.ink.left + mask.ink.right) / 2.0;
    const double inkY = (mask.ink.top + mask.ink.bottom) / 2.0;
    BlendMask(mask, static_cast<int>(std::lround(cx - inkX)),
              static_cast<int>(std::lround(cy - inkY)), colour);
}

void ArtCanvas::TextLeft(const TextMask& mask, int left, double cy, const Colour& colour) {
    const double inkY = (mask.ink.top + mask.ink.bottom) / 2.0;
    BlendMask(mask, left - mask.ink.left, static_cast<int>(std::lround(cy - inkY)), colour);
}

std::unique_ptr<raster::MemBitmap> ArtCanvas::ToBitmap() const {
    auto bitmap = std::make_unique<raster::MemBitmap>();
    bitmap->Resize(_width, _height);
    if (!bitmap->Pixels()) return nullptr;
    for (int y = 0; y < _height; ++y) {
        uint32_t* row = bitmap->Row(y);
        for (int x = 0; x < _width; ++x) {
            const Colour c = At(x, y);
            const uint8_t a = ToByte(c.a);
            // Fully transparent pixels are stored as 0 so that no stray colour hides in them.
            row[x] = a == 0 ? 0u
                            : static_cast<uint32_t>(ToByte(c.b)) |
                                  static_cast<uint32_t>(ToByte(c.g)) << 8 |
                                  static_cast<uint32_t>(ToByte(c.r)) << 16 |
                                  static_cast<uint32_t>(a) << 24;
        }
    }
    return bitmap;
}

}  // namespace tesselor::resources
