// `tesselor plot`: the measured response in the CSV a user reads, and the picture's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "raster/PngLoader.h"

namespace tesselor::tools::test {
namespace {

constexpr int kPlotWidth = 960;  // pixels, as the README documents
constexpr int kPlotHeight = 460;

struct Point {
    double hz, db;
};

// The CSV of `path`, checked for the documented format on the way: the header, two numeric
// columns, rising frequencies from 10 Hz to the Nyquist frequency, at least 200 rows.
std::vector<Point> ReadCurve(const std::string& path, double rateHz) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "frequency_hz,magnitude_db");
    std::vector<Point> curve;
    while (std::getline(in, line)) {
        Point p{};
        char extra = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "%lf,%lf%c", &p.hz, &p.db, &extra), 2) << line;
        if (!curve.empty()) {
            EXPECT_GT(p.hz, curve.back().hz) << line;
        }
        curve.push_back(p);
    }
    EXPECT_GE(curve.size(), 200u);
    if (curve.empty()) return curve;
    EXPECT_DOUBLE_EQ(curve.front().hz, 10.0);
    EXPECT_DOUBLE_EQ(curve.back().hz, rateHz / 2);
    return curve;
}

// The level at `hz`, interpolated linearly in log frequency.
double LevelAt(const std::vector<Point>& curve, double hz) {
    for (std::size_t i = 1; i < curve.size(); ++i) {
        if (curve[i].hz < hz) continue;
        const double t = std::log(hz / curve[i - 1].hz) / std::log(curve[i].hz / curve[i - 1].hz);
        return curve[i - 1].db + t * (curve[i].db - curve[i - 1].db);
    }
    return NAN;
}

TEST(PlotCommand, MeasuresAFlatGainAndWritesAPictureOfTheDocumentedSize) {
    // A folder of its own: other tests' temporary files come and go in the shared one.
    const std::string folder = Scratch("plot");
    std::filesystem::create_directories(folder);
    const std::string png = folder + "/gain.png";
    const std::string csv = folder + "/gain.csv";
    const CliResult r =
        RunCli("plot " + png + TestPlugin() + " --set Gain=0.5 --rate 44100 --csv " + csv);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const Point& p : ReadCurve(csv, 44100.0)) ASSERT_NEAR(p.db, -6.0206, 1e-3) << p.hz;
    const std::vector<std::uint8_t> bytes = ReadBytes(png);
    const auto picture = raster::LoadPngFromMemory(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), kPlotWidth);
    EXPECT_EQ(picture->Height(), kPlotHeight);
    // The flat curve, amber, is one unbroken horizontal line across the plot.
    int columns = 0, highest = kPlotHeight, lowest = 0;
    for (int x = 0; x < picture->Width(); ++x) {
        bool found = false;
        for (int y = 0; y < picture->Height(); ++y) {
            const std::uint32_t p = picture->Row(y)[x];
            const int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF, blue = p & 0xFF;
            if (red < 200 || green < 120 || green > 180 || blue > 120) continue;
            found = true;
            highest = std::min(highest, y);
            lowest = std::max(lowest, y);
        }
        columns += found;
    }
    EXPECT_GT(columns, kPlotWidth * 8 / 10);
    EXPECT_LE(lowest - highest, 3);
    EXPECT_TRUE(StrayTemporaries(folder).empty());
}

TEST(PlotCommand, TakesStatesAndTheHostBypassAsRenderDoes) {
    const std::string in = Scratch("plot-in.wav");
    const std::string state = Scratch("quarter.state");
    WriteAudio(in, 2, std::vector<float>(2 * 100, 0.1f), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    CliResult r = RunCli("render " + in + " " + Scratch("plot-out.wav") + TestPlugin() +
                         " --set Gain=0.25 --save-state " + state);
    ASSERT_EQ(r.status, 0) << r.output;
    struct Case {
        std::string options;
        double db;
    };
    const Case cases[] = {{"--state " + state, -12.0412}, {"--state " + state + " --bypass", 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string csv = Scratch("settings.csv");
        r = RunCli("plot " + Scratch("settings.png") + TestPlugin() + " --csv " + csv + " " +
                   c.options);
        ASSERT_EQ(r.status, 0) << r.output;
        for (const Point& p : ReadCurve(csv, 48000.0)) ASSERT_NEAR(p.db, c.db, 1e-3) << p.hz;
    }
}

TEST(PlotCommand, TesselorsCurvesMatchWhatItsFiltersDo) {
#ifndef TESSELOR_BUNDLE
    GTEST_SKIP() << "built without the Tesselor bundle";
#else
    struct Level {
        double hz, db, toleranceDb;
    };
    struct Case {
        const char* settings;
        double rateHz;
        std::vector<Level> levels;
        double peakHz = 0.0;  // where the curve's maximum lies, within 3 %; 0: not checked
    };
    const Case cases[] = {
        // Bands at their centres are close to flat, not exactly.
        {"", 48000.0, {{20.0, 0.0, 0.05}, {100.0, 0.0, 0.05}, {1000.0, 0.0, 0.05}}},
        // The output gain glides up from silence too; the plot waits for it.
        {"--set Gain=-12", 48000.0, {{1000.0, -12.0, 0.05}}},
        {"--set LMGain=1 --set LMFreq=0.5", 96000.0, {{359.0, 11.3, 0.15}}, 359.0},
        {"--set HPLP=1 --set HP=1", 44100.0, {{100.0, -64.0, 1.0}, {1000.0, -24.0, 1.0}}},
        // The low-pass section's +1.2 dB at 100 Hz, and the open high-pass's +0.4 dB.
        {"--set HPLP=1 --set LP=0", 44100.0, {{100.0, 1.6, 0.15}, {1000.0, -35.0, 1.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        const std::string csv = Scratch("tesselor.csv");
        std::filesystem::remove(csv);
        const CliResult r =
            RunCli("plot " + Scratch("tesselor.png") + " --plugin " + TESSELOR_BUNDLE + " --rate " +
                   std::to_string(c.rateHz) + " --csv " + csv + " " + c.settings);
        ASSERT_EQ(r.status, 0) << r.output;
        const std::vector<Point> curve = ReadCurve(csv, c.rateHz);
        for (const Level& level : c.levels)
            EXPECT_NEAR(LevelAt(curve, level.hz), level.db, level.toleranceDb) << level.hz << " Hz";
        if (c.peakHz > 0.0 && !curve.empty()) {
            const Point* peak = &curve[0];
            for (const Point& p : curve) peak = p.db > peak->db ? &p : peak;
            EXPECT_NEAR(peak->hz, c.peakHz, 0.03 * c.peakHz);
        }
    }
#endif
}

TEST(PlotCommand, FailsWithOneClearLineAndWritesNothing) {
    const std::string png = Scratch("never.png");
    std::filesystem::remove(png);
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"plot" + TestPlugin(), "needs OUT.png"},
        {"plot " + Scratch("never.jpg") + TestPlugin(), "name it NAME.png"},
        {"plot " + png + TestPlugin() + " --rate 10", "--rate wants"},
        {"plot " + png + TestPlugin() + " --rate fast", "--rate wants"},
        {"plot " + png + TestPlugin() + " --set Nope=1", "unknown parameter 'Nope'"},
        {"plot " + png + TestPlugin() + " --csv " + png, "named for two outputs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliResult r = RunCli(c.args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.output.rfind("tesselor: ", 0), 0u) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace tesselor::tools::test
