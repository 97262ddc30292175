#pragma once

#include <cstdint>
#include <vector>

#include "raster/RasterBitmap.h"

namespace tesselor::raster::test {

// A bitmap over a plain vector, optionally stored bottom-up, so that addressing through
// IsFlipped() and a row span wider than the width is exercised.
class VectorBitmap final : public RasterBitmap {
public:
    VectorBitmap(int width, int height, int span, bool flipped, uint32_t fill = 0)
        : _width(width),
          _height(height),
          _span(span),
          _flipped(flipped),
          _words(static_cast<size_t>(span) * height, fill) {}

    uint32_t* Pixels() override { return _words.empty() ? nullptr : _words.data(); }
    int Width() const override { return _width; }
    int Height() const override { return _height; }
    int RowSpan() const override { return _span; }
    bool IsFlipped() const override { return _flipped; }
    bool Resize(int, int) override { return false; }

    uint32_t& At(int x, int y) {
        return _words[static_cast<size_t>(_flipped ? _height - 1 - y : y) * _span + x];
    }

private:
    int _width, _height, _span;
    bool _flipped;
    std::vector<uint32_t> _words;
};

}  // namespace tesselor::raster::test
