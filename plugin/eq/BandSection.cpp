#include "plugin/eq/BandSection.h"

#include <initializer_list>

namespace tesselor::plugin::eq {

namespace {

// Bilinear map of an analog polynomial c3 s^3 + c2 s^2 + c1 s + c0 with s = r (1 - z^-1)/(1 +
// z^-1), cleared of denominators; out[k] multiplies z^-k.
void Bilinear3(double r, double c3, double c2, double c1, double c0, double out[4]) {
    const double k3 = c3 * r * r * r;
    const double k2 = c2 * r * r;
    const double k1 = c1 * r;
    out[0] = k3 + k2 + k1 + c0;
    out[1] = -3.0 * k3 - k2 + k1 + 3.0 * c0;
    out[2] = 3.0 * k3 - k2 - k1 + 3.0 * c0;
    out[3] = -k3 + k2 - k1 + c0;
}

void Bilinear2(double r, double c2, double c1, double c0, double out[4]) {
    const double k2 = c2 * r * r;
    const double k1 = c1 * r;
    out[0] = k2 + k1 + c0;
    out[1] = -2.0 * k2 + 2.0 * c0;
    out[2] = k2 - k1 + c0;
    out[3] = 0.0;
}

}  // namespace

SectionDesign DesignSection(SectionKind kind, double rateHz, double g, double f2, double f1) {
    double terms[kSectionTermCount];
    SectionMonomials(g, f2, f1, terms);
    const SectionTable& table = kSectionTables[static_cast<int>(kind)];
    double c[kSectionColumnCount] = {};
    for (int t = 0; t < kSectionTermCount; ++t) {
        for (int col = 0; col < kSectionColumnCount; ++col)
            c[col] += terms[t] * table.value[t][col];
    }

    SectionDesign d;
    d.order = SectionOrder(kind);
    if (d.order == 3) {
        Bilinear3(rateHz, c[kN3], c[kN2], c[kN1], c[kN0], d.b);
        Bilinear3(rateHz, c[kD3], c[kD2], c[kD1], c[kD0], d.a);
    } else {
        Bilinear2(rateHz, c[kN2], c[kN1], c[kN0], d.b);
        Bilinear2(rateHz, c[kD2], c[kD1], c[kD0], d.a);
    }
    if (kind == SectionKind::kLowPass) {
        d.b[0] = kLowPassN0;
        d.b[1] = kLowPassB1;
        d.b[2] = kLowPassN0;
    }
    return d;
}

void BandSection::SetLane(int lane, const SectionDesign& design) noexcept {
    b0[lane] = design.b[0];
    b1[lane] = design.b[1];
    b2[lane] = design.b[2];
    b3[lane] = design.b[3];
    na1[lane] = -design.a[1];
    na2[lane] = -design.a[2];
    na3[lane] = -design.a[3];
    a0[lane] = design.a[0];
}

void BandSection::SetLaneFactored(int lane, const SectionDesign& design) noexcept {
    const double inv = 1.0 / design.a[0];
    // b = (1 + z^-1)(c0 + c1 z^-1 + c2 z^-2): b0 = c0, b1 = c0 + c1, b2 = c1 + c2, b3 = c2.
    // c1 is taken as the mean of its two readings so the rounding splits evenly.
    const double c0 = design.b[0];
    const double c2 = design.b[3];
    const double c1 = 0.5 * ((design.b[1] - c0) + (design.b[2] - c2));
    b0[lane] = c0 * inv;
    b1[lane] = c1 * inv;
    b2[lane] = c2 * inv;
    b3[lane] = 0.0;
    na1[lane] = -design.a[1] * inv;
    na2[lane] = -design.a[2] * inv;
    na3[lane] = -design.a[3] * inv;
    a0[lane] = 1.0;
}

void BandSection::ClearLane(int lane) noexcept {
    for (Stereo* v : {&x1, &x2, &x3, &y1, &y2, &y3}) (*v)[lane] = 0.0;
}

Stereo BandSection::NonFiniteProbe() const noexcept {
    // x - x is 0 for every finite x and NaN for infinities and NaN; summed in pairs, since only
    // 0 against NaN counts and the sums then need not wait on each other.
    return ((x1 - x1) + (x2 - x2)) + ((x3 - x3) + (y1 - y1)) + ((y2 - y2) + (y3 - y3));
}

}  // namespace tesselor::plugin::eq
