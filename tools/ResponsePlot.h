#pragma once

#include <memory>
#include <string>

#include "raster/MemBitmap.h"
#include "tools/MagnitudeResponse.h"

namespace tesselor::tools {

constexpr int kResponsePlotWidth = 960;  // pixels
constexpr int kResponsePlotHeight = 460;

// `response` as a picture in the product's panel colours: `title` across the top (wrapped into at
// most three lines); a log-frequency axis from 10 Hz to the Nyquist frequency, faint lines at
// every 1..9 x 10^k Hz and labelled ones at 20, 50, 100, 200 ... Hz; a dB axis that holds the
// curve (at least -6..+6 dB, at most 96 dB tall, the deepest 1 % of the points allowed to leave
// it at the bottom) with 0 dB emphasised; the left channel's curve, and the right channel's only
// where it differs. Opaque, kResponsePlotWidth x kResponsePlotHeight. Null when the bitmap cannot
// be allocated or the response has fewer than two points; the text is left out when no font can
// be loaded.
std::unique_ptr<raster::MemBitmap> DrawResponsePlot(const MagnitudeResponse& response,
                                                    const std::string& title);

}  // namespace tesselor::tools
