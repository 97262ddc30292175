#include "tools/StrokeMask.h"

#include <algorithm>
#include <cmath>

#include "raster/PixelRules.h"

namespace tesselor::tools {

StrokeMask::StrokeMask(const raster::RasterRect& area)
    : _area(area), _width(std::max(area.right - area.left, 0)) {
    const int height = std::max(area.bottom - area.top, 0);
    _coverage.assign(static_cast<std::size_t>(_width) * height, 0.0f);
}

void StrokeMask::AddSegment(double x0, double y0, double x1, double y1, double width) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1) ||
        !(width > 0.0))
        return;
    const double reach = width / 2.0 + 0.5;  // beyond this distance a pixel gets nothing
    // The pixels the stroke can touch, clipped to the area once, so the loops need no checks.
    const double left = std::max(std::min(x0, x1) - reach, static_cast<double>(_area.left));
    const double right = std::min(std::max(x0, x1) + reach, static_cast<double>(_area.right));
    const double top = std::max(std::min(y0, y1) - reach, static_cast<double>(_area.top));
    const double bottom = std::min(std::max(y0, y1) + reach, static_cast<double>(_area.bottom));
    if (left >= right || top >= bottom) return;
    const int px0 = static_cast<int>(std::floor(left)), px1 = static_cast<int>(std::ceil(right));
    const int py0 = static_cast<int>(std::floor(top)), py1 = static_cast<int>(std::ceil(bottom));

    const double dx = x1 - x0, dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    for (int y = py0; y < py1; ++y) {
        float* row = _coverage.data() + static_cast<std::size_t>(y - _area.top) * _width;
        const double cy = y + 0.5;
        for (int x = px0; x < px1; ++x) {
            const double cx = x + 0.5;
            // The nearest point of the segment: the projection limited to its ends.
            double t =
                lengthSquared > 0.0 ? ((cx - x0) * dx + (cy - y0) * dy) / lengthSquared : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = cx - (x0 + t * dx), ey = cy - (y0 + t * dy);
            const double k = std::clamp(reach - std::sqrt(ex * ex + ey * ey), 0.0, 1.0);
            float& cell = row[x - _area.left];
            cell = std::max(cell, static_cast<float>(k));
        }
    }
}

void StrokeMask::Composite(raster::RasterBitmap& bitmap, uint32_t color) {
    if (!bitmap.Pixels()) return;
    const int opacity = raster::Channel(color, 3);  // 0..255
    const int top = std::max(_area.top, 0), bottom = std::min(_area.bottom, bitmap.Height());
    const int left = std::max(_area.left, 0), right = std::min(_area.right, bitmap.Width());
    for (int y = top; y < bottom; ++y) {
        uint32_t* row = bitmap.Row(y);
        const float* mask = _coverage.data() + static_cast<std::size_t>(y - _area.top) * _width;
        for (int x = left; x < right; ++x) {
            // Weight 0..256: coverage times opacity, rounded.
            const int w =
                static_cast<int>(mask[x - _area.left] * opacity * (256.0f / 255.0f) + 0.5f);
            if (w == 0) continue;
            const uint32_t d = row[x];
            row[x] = raster::PackPixel(
                raster::Lerp256(raster::Channel(d, 0), raster::Channel(color, 0), w),
                raster::Lerp256(raster::Channel(d, 1), raster::Channel(color, 1), w),
                raster::Lerp256(raster::Channel(d, 2), raster::Channel(color, 2), w),
                raster::Lerp256(raster::Channel(d, 3), 255, w));
        }
    }
    std::fill(_coverage.begin(), _coverage.end(), 0.0f);
}

}  // namespace tesselor::tools
