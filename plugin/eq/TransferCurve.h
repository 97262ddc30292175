#pragma once

#include <cstdint>

namespace tesselor::plugin::eq {

// The side path's odd transfer curve: about 0.5991 v for small v, bending to 0.833333313 at
// |v| = 1.4 and flat beyond. Two tables of 200 single-precision entries, the negative one the
// exact negation of the positive one, indexed by |v| * scale and interpolated linearly.
class TransferCurve {
public:
    static constexpr int kEntryCount = 200;

    struct Table {
        std::int32_t zero = 0;
        float limit = 0.0f;  // +-0.833333015
        float scale = 0.0f;  // index units per unit of |v|
        std::int32_t count = kEntryCount;
        float entries[kEntryCount] = {};
    };

    TransferCurve();

    // Curve of v, evaluated exactly as the tables prescribe: a = |v| * scale, i = trunc(a),
    // linear between entries i and i + 1 below the last entry, the last entry above; an index that
    // overflows (huge or NaN v) reads entry 0. The sign of the result is the sign of v (-0 too).
    double Evaluate(double v) const noexcept;

    const Table& Positive() const { return _positive; }
    const Table& Negative() const { return _negative; }

    // The positive table's entries, shortest round-trip form.
    static const float kEntries[kEntryCount];
    static constexpr double kScale = 142.14300537109375;  // the tables' float scale, exactly

    // For the per-sample loop (simd/CurveLanes.h), which evaluates without reading the tables:
    // below the last entry, a * (kFit[0] + kFit[1] a + ... + kFit[7] a^7) for a = |v| * scale,
    // a least-squares fit of the linear interpolation between the entries. It stays within
    // 5.5e-8 of it over the whole range (under one single-precision step of the entries near the
    // limit), is 0 at 0 and keeps the small-signal slope to within 4e-5. At and beyond the last
    // entry the loop takes kLastEntry itself.
    static constexpr double kLastEntry = 0.833333313465118408203125;  // entry 199, exactly
    static constexpr int kFitDegree = 7;
    static constexpr double kFit[kFitDegree + 1] = {
        0.004215138548506727,   -1.791987153264258e-07, 7.554936132386101e-10,
        -7.612919716566782e-12, 5.097109965243845e-14,  -2.1574678831144172e-16,
        5.198534341421028e-19,  -5.410841402060466e-22,
    };

private:
    Table _positive;
    Table _negative;
};

}  // namespace tesselor::plugin::eq
