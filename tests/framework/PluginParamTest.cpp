#include "framework/PluginParam.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace tesselor::framework {
namespace {

std::string Format(const PluginParam& p, double v) {
    char text[kParamTextSize];
    p.FormatValue(v, text, sizeof text);
    return text;
}

TEST(PluginParam, InitRangeDerivesKindPrecisionAndMinimumWidth) {
    PluginParam empty;
    empty.InitRange("Zero", 0.0, 0.0, 0.0, 1.0);
    EXPECT_EQ(empty.Kind(), kParamContinuous);
    EXPECT_EQ(empty.Maximum(), 1.0);  // never narrower than one step

    PluginParam stepped;
    stepped.SetKind(kParamStepped);
    stepped.InitRange("Bell", 0.0, 0.0, 1.0, 1.0);
    EXPECT_EQ(stepped.Kind(), kParamStepped);

    struct {
        double step;
        int precision;
    } cases[] = {{1.0, 0}, {0.5, 1}, {0.01, 2}, {1e-9, 6}};
    for (const auto& c : cases) {
        PluginParam p;
        p.InitRange("x", 0.0, 0.0, 1.0, c.step);
        EXPECT_EQ(p.DisplayPrecision(), c.precision) << c.step;
    }

    PluginParam shaped;
    shaped.InitRange("x", 0.0, 0.0, 1.0, 0.01, "", "", 0.0);
    EXPECT_EQ(shaped.Shape(), 1.0);  // shape 0 keeps the current one

    PluginParam longName;
    longName.InitRange("A name that is far longer than thirty-one characters", 0.0, 0.0, 1.0, 1.0);
    EXPECT_EQ(std::string(longName.Name()).size(), 31u);

    PluginParam unclamped;
    unclamped.InitRange("x", 5.0, 0.0, 1.0, 1.0);
    EXPECT_EQ(unclamped.Value(), 5.0);  // the default is not clamped at initialisation
}

TEST(PluginParam, ApplyNormalRoundsNonContinuousKindsFromZeroAndClampsOnlyAbove) {
    PluginParam sw;
    sw.SetKind(kParamStepped);
    sw.InitRange("BY", 1.0, 0.0, 1.0, 1.0);
    sw.ApplyNormal(0.49);
    EXPECT_EQ(sw.Value(), 0.0);
    sw.ApplyNormal(0.5);
    EXPECT_EQ(sw.Value(), 1.0);
    sw.ApplyNormal(1.0);
    EXPECT_EQ(sw.Value(), 1.0);
    sw.ApplyNormal(3.0);
    EXPECT_EQ(sw.Value(), 1.0);

    PluginParam unset;  // left unset: a two-valued 0/1 parameter
    unset.ApplyNormal(0.6);
    EXPECT_EQ(unset.Value(), 1.0);

    PluginParam freq;
    freq.InitRange("LFreq", 0.725, 0.1, 0.983, 0.01);
    freq.ApplyNormal(0.5);
    EXPECT_EQ(freq.Value(), 0.5 * (0.983 - 0.1) + 0.1);  // continuous: no rounding to 0.01
    freq.ApplyNormal(-1.0);
    EXPECT_EQ(freq.Value(), -1.0 * (0.983 - 0.1) + 0.1);  // no lower clamp
    freq.ApplyNormal(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(std::isnan(freq.Value()));
}

TEST(PluginParam, NormalisationRoundTripsThroughTheShape) {
    PluginParam p;
    p.InitRange("HP", 0.0, 0.0, 1.0, 0.01, "%", "", 0.5);
    for (double n = 0.0; n <= 1.0; n += 0.0625) {
        EXPECT_NEAR(p.PlainToNormal(p.NormalToPlain(n)), n, 1e-12);
    }
    EXPECT_EQ(p.PlainToNormal(7.0), 1.0);
    EXPECT_EQ(p.PlainToNormal(-7.0), 0.0);
    EXPECT_NEAR(p.NormalToPlain(0.5), std::sqrt(0.5), 1e-15);
}

TEST(PluginParam, SetPlainClampsAndNeverStoresNonFiniteValues) {
    PluginParam p;
    p.InitRange("LFreq", 0.725, 0.1, 0.983, 0.01);
    p.SetPlain(5.0);
    EXPECT_EQ(p.Value(), 0.983);
    p.SetPlain(-5.0);
    EXPECT_EQ(p.Value(), 0.1);
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        p.SetPlain(0.3);
        p.SetPlain(bad);
        EXPECT_EQ(p.Value(), 0.725) << bad;
    }
}

TEST(PluginParam, FormatsWithPrecisionTruncationNegationAndDisplayTexts) {
    PluginParam pct;
    pct.InitRange("LGain", 0.5, 0.0, 1.0, 0.01, "%");
    EXPECT_EQ(Format(pct, 0.5), "0.50");
    EXPECT_EQ(Format(pct, -12.0), "-12.00");
    EXPECT_STREQ(pct.UnitText(), "%");

    PluginParam whole;
    whole.InitRange("x", 0.0, -10.0, 10.0, 1.0, "dB");
    EXPECT_EQ(Format(whole, 1.0), "1");
    EXPECT_EQ(Format(whole, 0.9), "0");
    EXPECT_EQ(Format(whole, -0.9), "0");
    EXPECT_EQ(Format(whole, 1e300), "2147483647");
    whole.SetNegateDisplay(true);
    EXPECT_EQ(Format(whole, 3.0), "-3");

    PluginParam mode;
    mode.SetKind(kParamEnumerated);
    mode.InitRange("Mode", 0.0, 0.0, 2.0, 1.0, "x");
    mode.AddDisplayText(0, "Off");
    mode.AddDisplayText(1, "");  // empty text falls through to the number
    mode.AddDisplayText(1, "Second");
    mode.AddDisplayText(2, "On");
    EXPECT_EQ(Format(mode, 0.0), "Off");
    EXPECT_EQ(Format(mode, 1.0), "1");
    EXPECT_EQ(Format(mode, 2.7), "On");
    EXPECT_STREQ(mode.UnitText(), "");  // value 0 shows "Off": no unit as well
    mode.SetPlain(1.0);
    EXPECT_STREQ(mode.UnitText(), "x");

    char tiny[3];
    pct.FormatValue(0.5, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "0.");
}

TEST(PluginParam, FormattingAndParsingIgnoreTheHostLocale) {
    // Hosts sometimes set a locale with a decimal comma; the texts must not change.
    const char* set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    PluginParam p;
    p.InitRange("LGain", 0.5, 0.0, 1.0, 0.01);
    EXPECT_EQ(Format(p, 0.25), "0.25");
    EXPECT_NEAR(p.ParseHostText("0.75"), 0.75, 1e-12);
    if (set) std::setlocale(LC_NUMERIC, "C");
}

TEST(PluginParam, ParsesHostAndEditorText) {
    PluginParam gain;
    gain.InitRange("Gain", 0.0, -12.0, 12.0, 0.01);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("abc"), 0.5);  // 0 dB is the middle of the range
    EXPECT_DOUBLE_EQ(gain.ParseHostText("6 dB"), 0.75);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("  -24"), 0.0);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("+1e1x"), 22.0 / 24.0);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("0x10"), 0.5);  // a decimal 0, then junk
    EXPECT_DOUBLE_EQ(gain.ParseHostText("nan"), 0.5);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("1e999"), 1.0);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("1e-999"), 0.5);
    EXPECT_DOUBLE_EQ(gain.ParseHostText(nullptr), 0.5);

    gain.SetNegateDisplay(true);
    EXPECT_DOUBLE_EQ(gain.ParseHostText("6"), 0.75);    // not negated on the host road
    EXPECT_DOUBLE_EQ(gain.ParseEditorText("6"), 0.25);  // negated on the editor road

    PluginParam mode;
    mode.SetKind(kParamBoolean);
    mode.InitRange("Mode", 0.0, 0.0, 2.0, 1.0);
    mode.AddDisplayText(2, "On");
    EXPECT_DOUBLE_EQ(mode.ParseEditorText("On"), 1.0);
    EXPECT_DOUBLE_EQ(mode.ParseEditorText("on"), 0.0);  // case-sensitive, whole text
    EXPECT_DOUBLE_EQ(mode.ParseEditorText("2"), 0.0);
    // On the host road a text the parameter shows gives its value back; numbers still count.
    mode.AddDisplayText(0, "4x");
    EXPECT_DOUBLE_EQ(mode.ParseHostText("On"), 1.0);
    EXPECT_DOUBLE_EQ(mode.ParseHostText("4x"), 0.0);
    EXPECT_DOUBLE_EQ(mode.ParseHostText("1"), 0.5);
}

}  // namespace
}  // namespace tesselor::framework
