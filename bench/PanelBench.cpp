// The editor panel: a full redraw, an idle tick, one knob's redraw, and building an instance
// with its panel (the first decodes the images, later ones take them from the cache).
#include <benchmark/benchmark.h>

#include <chrono>

#include "graphics/Graphics.h"
#include "graphics/ImageCache.h"
#include "plugin/Tesselor.h"

namespace {

using tesselor::graphics::Graphics;
using tesselor::graphics::ImageCache;
using tesselor::plugin::Tesselor;

constexpr double kPanelPixels = 774.0 * 237.0;
constexpr int kLowGainParam = 0;

// One instance for the drawing benchmarks, made once: the first one in the process.
struct Panel {
    double firstCreationSeconds = 0.0;
    int decodedByFirst = 0;
    Tesselor* plugin = nullptr;
    Graphics* editor = nullptr;

    Panel() {
        const int before = ImageCache::Instance().LoadCount();
        const auto start = std::chrono::steady_clock::now();
        plugin = new Tesselor();
        firstCreationSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        decodedByFirst = ImageCache::Instance().LoadCount() - before;
        editor = dynamic_cast<Graphics*>(plugin->Editor());
        editor->MarkAllDirty();
        editor->Tick();
    }
};

Panel& ThePanel() {
    static Panel panel;  // deliberately kept: the process ends with the benchmark
    return panel;
}

void BM_PanelFullRedraw(benchmark::State& state) {
    Graphics& g = *ThePanel().editor;
    for (auto _ : state) {
        g.MarkAllDirty();
        g.Tick();
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] =
        benchmark::Counter(kPanelPixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PanelFullRedraw);

void BM_PanelIdleTick(benchmark::State& state) {
    Graphics& g = *ThePanel().editor;
    g.Tick();
    g.Tick();
    for (auto _ : state) benchmark::DoNotOptimize(g.Tick());
}
BENCHMARK(BM_PanelIdleTick);

// An automated knob: its value posted, then the tick that draws it (and the one after, as every
// value from the plug-in is drawn twice).
void BM_PanelKnobMove(benchmark::State& state) {
    Graphics& g = *ThePanel().editor;
    double value = 0.0;
    for (auto _ : state) {
        value = value < 0.9 ? value + 0.05 : 0.0;
        g.SetControlsFromPlugin(kLowGainParam, value);
        g.Tick();
        g.Tick();
    }
}
BENCHMARK(BM_PanelKnobMove);

// A later instance: its images come from the cache, none is decoded again.
void BM_InstanceCreation(benchmark::State& state) {
    const Panel& first = ThePanel();
    const int before = ImageCache::Instance().LoadCount();
    for (auto _ : state) {
        auto* plugin = new Tesselor();
        benchmark::DoNotOptimize(plugin);
        plugin->release();
    }
    state.counters["first_ms"] = first.firstCreationSeconds * 1e3;
    state.counters["decoded_first"] = first.decodedByFirst;
    state.counters["decoded_later"] = ImageCache::Instance().LoadCount() - before;
}
BENCHMARK(BM_InstanceCreation)->Unit(benchmark::kMillisecond);

}  // namespace
