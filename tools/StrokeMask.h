#pragma once

#include <cstdint>
#include <vector>

#include "raster/RasterBitmap.h"

namespace tesselor::tools {

// Antialiased strokes over one rectangle of a bitmap. Segments add their coverage to a mask
// (each pixel keeps the largest any segment gives it) and the mask is blended into the bitmap
// once, so that the joints of a polyline are not painted twice and show no darker knots.
//
// Coordinates are bitmap pixels with (0, 0) at the top-left corner of the top-left pixel: pixel
// (x, y) has its centre at (x + 0.5, y + 0.5). A pixel's coverage is a one-pixel box filter over
// the distance d from its centre to the segment, clamp(width / 2 + 0.5 - d, 0, 1): exact across a
// straight edge, close to the true area elsewhere at the widths drawn here.
class StrokeMask {
public:
    // Covers `area` (right and bottom exclusive) of the bitmap; strokes are clipped to it.
    explicit StrokeMask(const raster::RasterRect& area);

    // A straight stroke from (x0, y0) to (x1, y1), `width` pixels across, with round ends.
    // Non-finite coordinates draw nothing.
    void AddSegment(double x0, double y0, double x1, double y1, double width);
    // Blends `color` (a pixel word; its alpha is the stroke's opacity) into `bitmap` by coverage,
    // straight alpha, and clears the mask.
    void Composite(raster::RasterBitmap& bitmap, uint32_t color);

private:
    raster::RasterRect _area;
    int _width = 0;                // pixels
    std::vector<float> _coverage;  // 0..1, rows of _width from _area.top down
};

}  // namespace tesselor::tools
