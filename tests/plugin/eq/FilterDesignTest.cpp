// Designed coefficients against the published response figures of the circuits.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "plugin/eq/BandSection.h"

namespace tesselor::plugin::eq {
namespace {

constexpr double kPi = 3.141592653589793;

double ResponseDb(const SectionDesign& d, double freqHz, double rateHz) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * freqHz / rateHz);  // z^-1
    std::complex<double> num = 0.0, den = 0.0, zk = 1.0;
    for (int k = 0; k <= d.order; ++k) {
        num += d.b[k] * zk;
        den += d.a[k] * zk;
        zk *= z1;
    }
    return 20.0 * std::log10(std::abs(num / den));
}

// The band's design with settled smoothers: both frequency gangs at 1 - value.
SectionDesign Settled(SectionKind kind, double rateHz, double gain, double freqValue) {
    return DesignSection(kind, rateHz, gain, 1.0 - freqValue, 1.0 - freqValue);
}

// Peak (or dip) of the response over a log sweep: frequency and level.
std::pair<double, double> Extreme(const SectionDesign& d, double rateHz, bool peak) {
    double bestF = 0.0, bestDb = peak ? -1e9 : 1e9;
    for (double f = 10.0; f < 30000.0; f *= 1.002) {
        const double db = ResponseDb(d, f, rateHz);
        if (peak ? db > bestDb : db < bestDb) {
            bestDb = db;
            bestF = f;
        }
    }
    return {bestF, bestDb};
}

TEST(FilterDesign, BilinearSumKeepsDcGain) {
    // b0 + ... + bM = 2^M N0 and likewise for a, whatever the pots: the DC gain is N0 / D0.
    for (int kind = 0; kind < kSectionKindCount; ++kind) {
        for (const double g : {0.0, 0.3, 1.0}) {
            const SectionDesign d =
                DesignSection(static_cast<SectionKind>(kind), 48000.0, g, 0.4, 0.6);
            double sb = 0.0, sa = 0.0;
            for (int k = 0; k <= d.order; ++k) {
                sb += d.b[k];
                sa += d.a[k];
            }
            double terms[kSectionTermCount];
            SectionMonomials(g, 0.4, 0.6, terms);
            double n0 = 0.0, d0 = 0.0;
            for (int t = 0; t < kSectionTermCount; ++t) {
                n0 += terms[t] * kSectionTables[kind].value[t][kN0];
                d0 += terms[t] * kSectionTables[kind].value[t][kD0];
            }
            SCOPED_TRACE(kind);
            EXPECT_NEAR(sa, (1 << d.order) * d0, 1e-9 * std::fabs(sa));
            if (kind != static_cast<int>(SectionKind::kLowPass)) {
                EXPECT_NEAR(sb, (1 << d.order) * n0, 1e-9 * std::fabs(sa));
            }
        }
    }
    const SectionDesign lp = DesignSection(SectionKind::kLowPass, 44100.0, 0.0, 0.2, 0.2);
    EXPECT_EQ(lp.b[1], 0.000586454892011955);  // as measured, not 2 N0
}

struct BandLaw {
    SectionKind kind;
    double peakHz[4];  // at values 0.1, 0.5, 0.725, 0.983
    double boostDb;
};

constexpr BandLaw kBandLaws[] = {
    {SectionKind::kLowBell, {41, 71, 120, 598}, 12.1},
    {SectionKind::kLowMid, {207, 359, 606, 2984}, 11.3},
    {SectionKind::kHighMid, {409, 709, 1195, 5811}, 12.1},
    {SectionKind::kHigh, {862, 1493, 2518, 11925}, 12.0},
};
constexpr double kFreqValues[4] = {0.1, 0.5, 0.725, 0.983};

TEST(FilterDesign, BandsPeakWhereTheirScalesSayAndCutAsDeep) {
    constexpr double kRateHz = 96000.0;
    for (const BandLaw& law : kBandLaws) {
        const double rate = law.kind == SectionKind::kLowBell ? kRateHz : 8.0 * kRateHz;
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message()
                         << static_cast<int>(law.kind) << " value " << kFreqValues[i]);
            const auto [peakHz, boostDb] =
                Extreme(Settled(law.kind, rate, 1.0, kFreqValues[i]), rate, true);
            EXPECT_NEAR(peakHz, law.peakHz[i], 0.02 * law.peakHz[i]);
            EXPECT_NEAR(boostDb, law.boostDb, 0.15);
            // The cut mirrors the boost's depth (within about 0.1 dB); near the top of the range
            // the dip sits a little higher in frequency than the peak.
            const auto [dipHz, cutDb] =
                Extreme(Settled(law.kind, rate, 0.0, kFreqValues[i]), rate, false);
            EXPECT_NEAR(-cutDb, boostDb, 0.15);
            EXPECT_GT(dipHz, 0.97 * peakHz);
            EXPECT_LT(dipHz, 1.15 * peakHz);
            // Centre position: near flat, within 0.2 dB up to 10 kHz and 0.35 dB up to 20 kHz.
            const SectionDesign centre = Settled(law.kind, rate, 0.5, kFreqValues[i]);
            for (double f = 20.0; f <= 20000.0; f *= 1.05) {
                EXPECT_LT(std::fabs(ResponseDb(centre, f, rate)), f <= 10000.0 ? 0.2 : 0.35) << f;
            }
        }
    }
}

TEST(FilterDesign, LowShelfBoostsTheLowestFrequencies) {
    constexpr double kRateHz = 96000.0;
    const double halfBoostHz[] = {51.0, 137.0, 673.0};
    const double values[] = {0.1, 0.725, 0.983};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(values[i]);
        const SectionDesign d = Settled(SectionKind::kLowShelf, kRateHz, 1.0, values[i]);
        EXPECT_NEAR(ResponseDb(d, 0.0, kRateHz), 16.17, 0.02);  // DC, every setting
        const double at10Hz = ResponseDb(d, 10.0, kRateHz);
        EXPECT_GE(at10Hz, 15.0);
        EXPECT_LE(at10Hz, 16.2);
        double f = 10.0;
        while (ResponseDb(d, f, kRateHz) > 0.5 * at10Hz) f *= 1.001;
        EXPECT_NEAR(f, halfBoostHz[i], 0.03 * halfBoostHz[i]);
    }
}

TEST(FilterDesign, HighPassAndLowPassAt44k) {
    constexpr double kRateHz = 44100.0;
    // "HP" = 0 is pot position 1; "HP" = 1 is position 0. Likewise for "LP".
    const SectionDesign hpOpen = DesignSection(SectionKind::kHighPass, kRateHz, 0.0, 1.0, 1.0);
    EXPECT_NEAR(ResponseDb(hpOpen, 20.0, kRateHz), -6.7, 0.1);
    EXPECT_NEAR(ResponseDb(hpOpen, 100.0, kRateHz), 0.4, 0.1);
    EXPECT_NEAR(ResponseDb(hpOpen, 1000.0, kRateHz), 0.0, 0.05);
    const SectionDesign hpFull = DesignSection(SectionKind::kHighPass, kRateHz, 0.0, 0.0, 0.0);
    EXPECT_NEAR(ResponseDb(hpFull, 100.0, kRateHz), -64.0, 1.0);
    EXPECT_NEAR(ResponseDb(hpFull, 1000.0, kRateHz), -24.0, 1.0);
    const SectionDesign lpOpen = DesignSection(SectionKind::kLowPass, kRateHz, 0.0, 0.0, 0.0);
    EXPECT_NEAR(ResponseDb(lpOpen, 1000.0, kRateHz), 0.0, 0.05);
    EXPECT_NEAR(ResponseDb(lpOpen, 10000.0, kRateHz), 1.2, 0.1);
    EXPECT_NEAR(ResponseDb(lpOpen, 20000.0, kRateHz), -29.6, 0.2);
    const SectionDesign lpFull = DesignSection(SectionKind::kLowPass, kRateHz, 0.0, 1.0, 1.0);
    EXPECT_NEAR(ResponseDb(lpFull, 100.0, kRateHz), 1.2, 0.1);
    EXPECT_NEAR(ResponseDb(lpFull, 1000.0, kRateHz), -35.0, 1.0);
}

}  // namespace
}  // namespace tesselor::plugin::eq
