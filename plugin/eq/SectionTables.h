#pragma once

namespace tesselor::plugin::eq {

// The seven circuit-derived filter sections. The order indexes kSectionTables.
enum class SectionKind : int {
    kLowShelf = 0,
    kLowBell,
    kLowMid,
    kHighMid,
    kHigh,
    kHighPass,
    kLowPass,
};
constexpr int kSectionKindCount = 7;

// Monomials in the gain pot g and the two frequency-pot gangs f2, f1, in table row order.
enum SectionTerm : int {
    kTermG2F2F1 = 0,  // g^2 * f2 * f1
    kTermG2F2,
    kTermG2F1,
    kTermGF2F1,
    kTermG2,
    kTermGF2,
    kTermGF1,
    kTermF2F1,
    kTermG,
    kTermF2,
    kTermF1,
    kTermOne,
};
constexpr int kSectionTermCount = 12;

// Analog coefficient columns: numerator N3..N0, then denominator D3..D0 (powers of s).
enum SectionColumn : int { kN3 = 0, kN2, kN1, kN0, kD3, kD2, kD1, kD0 };
constexpr int kSectionColumnCount = 8;

// Each analog coefficient is the sum over the rows of (row monomial) * (row value in its
// column). Columns a section does not have are zero, and so are the g rows of the high-pass
// and low-pass, whose pots have no gain gang.
struct SectionTable {
    double value[kSectionTermCount][kSectionColumnCount];
};

extern const SectionTable kSectionTables[kSectionKindCount];

// The low-pass numerator does not follow from its table through the bilinear map: its b1 is
// this value as measured, a few ulp away from 2 * N0.
constexpr double kLowPassN0 = 0.000293227446005978;
constexpr double kLowPassB1 = 0.000586454892011955;

// Order of the discretised section: 2 for the low shelf and the low-pass, else 3.
constexpr int SectionOrder(SectionKind kind) {
    return kind == SectionKind::kLowShelf || kind == SectionKind::kLowPass ? 2 : 3;
}

// The twelve monomials of (g, f2, f1) in row order.
void SectionMonomials(double g, double f2, double f1, double out[kSectionTermCount]);

}  // namespace tesselor::plugin::eq
