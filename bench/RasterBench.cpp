#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "raster/CachedFont.h"
#include "raster/MemBitmap.h"
#include "raster/RasterBlit.h"
#include "raster/SysBitmap.h"

namespace {

using namespace tesselor::raster;

// The editor's panel and its knob frames, in pixels.
constexpr int kPanelW = 774;
constexpr int kPanelH = 237;
constexpr int kKnobW = 52;
constexpr int kKnobH = 53;
constexpr int kKnobs = 15;
constexpr unsigned kSeed = 1;

std::unique_ptr<MemBitmap> Noise(int w, int h, std::mt19937& rng) {
    auto b = std::make_unique<MemBitmap>();
    b->Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->Row(y)[x] = rng() | 0xFF000000u;
    return b;
}

// A knob frame like the panel's: a disc that is opaque inside, transparent outside, with a
// one-pixel anti-aliased rim and a soft shadow, so every branch of the source-alpha rule runs.
std::unique_ptr<MemBitmap> Knob(std::mt19937& rng) {
    auto b = Noise(kKnobW, kKnobH, rng);
    const double cx = kKnobW / 2.0, cy = kKnobH / 2.0, radius = 22.0;
    for (int y = 0; y < kKnobH; ++y) {
        for (int x = 0; x < kKnobW; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            int alpha = d < radius
                            ? 255
                            : (d < radius + 1.0 ? static_cast<int>((radius + 1.0 - d) * 255) : 0);
            if (alpha == 0 && d < radius + 3.0) alpha = 60;  // shadow
            b->Row(y)[x] = (b->Row(y)[x] & 0xFFFFFFu) | static_cast<uint32_t>(alpha) << 24;
        }
    }
    return b;
}

struct Panel {
    std::mt19937 rng{kSeed};
    std::unique_ptr<MemBitmap> background = Noise(kPanelW, kPanelH, rng);
    std::vector<std::unique_ptr<MemBitmap>> knobs;
    SysBitmap backBuffer{kPanelW, kPanelH};
    Panel() {
        for (int i = 0; i < kKnobs; ++i) knobs.push_back(Knob(rng));
    }
};

// One full repaint of the editor: the background copied, then fifteen knob frames blended.
void BM_ComposePanel(benchmark::State& state) {
    Panel panel;
    for (auto _ : state) {
        RasterBlit(&panel.backBuffer, panel.background.get(), 0, 0, nullptr, 1.0f, kBlitCopy);
        for (int i = 0; i < kKnobs; ++i) {
            const int x = 24 + (i % 8) * 92, y = 40 + (i / 8) * 100;
            RasterBlit(&panel.backBuffer, panel.knobs[i].get(), x, y, nullptr, 1.0f,
                       kBlitUseSourceAlpha);
        }
        benchmark::DoNotOptimize(panel.backBuffer.Pixels());
        benchmark::ClobberMemory();
    }
    const double pixels =
        static_cast<double>(kPanelW) * kPanelH + static_cast<double>(kKnobs) * kKnobW * kKnobH;
    state.counters["pixels"] =
        benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ComposePanel)->Unit(benchmark::kMicrosecond);

// The floor: the background copy alone, a memory-bandwidth-bound row copy.
void BM_CopyPanel(benchmark::State& state) {
    Panel panel;
    for (auto _ : state) {
        RasterBlit(&panel.backBuffer, panel.background.get(), 0, 0, nullptr, 1.0f, kBlitCopy);
        benchmark::DoNotOptimize(panel.backBuffer.Pixels());
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = benchmark::Counter(static_cast<double>(kPanelW) * kPanelH,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CopyPanel)->Unit(benchmark::kMicrosecond);

// A translucent parameter label through the glyph cache (the path the editor takes for
// non-opaque text), and the same label drawn directly by the renderer.
void DrawLabel(benchmark::State& state, uint32_t flags, uint32_t color) {
    Panel panel;
    TextFontSpec fontSpec;
    fontSpec.height = 12;
    fontSpec.face = "Verdana";
    CachedFont font;
    font.AttachFontHandle(CreateTextFont(fontSpec).release(), kFontOwnsHandle | kFontPreferNative);
    font.SetForeground(color);
    for (auto _ : state) {
        RasterRect r{300, 200, 400, 216};
        benchmark::DoNotOptimize(
            font.DrawString(&panel.backBuffer, "-12.5 dB", -1, r, flags | kTextCenter));
    }
}
void BM_DrawLabelCached(benchmark::State& state) {
    DrawLabel(state, kTextUseForegroundAlpha, 0xC0FFFFFF);
}
void BM_DrawLabelDirect(benchmark::State& state) { DrawLabel(state, 0, 0xFFFFFFFF); }
BENCHMARK(BM_DrawLabelCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawLabelDirect)->Unit(benchmark::kMicrosecond);

}  // namespace
