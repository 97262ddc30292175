#include "plugin/eq/OversamplerMatrices.h"

namespace tesselor::plugin::eq {

namespace {

constexpr int kPoles = OversamplerMatrices::kPoles;
constexpr int kFactor = OversamplerMatrices::kFactor;

// The filter's 16 outputs over the inputs `in` from the state `state` (differences), and its
// next state. In extended precision: a state made of one difference alone means outputs that
// alternate in sign and cancel, and the weights must come out as exact as a double holds them.
void RunSample(const OversamplerStage& stage, const long double (&state)[kPoles],
               const long double (&in)[kFactor], long double (&out)[kFactor],
               long double (&next)[kPoles]) {
    long double line[kPoles + kFactor];  // oldest first
    long double before[kPoles];          // newest first
    OversamplerStage::ConvertForm(state, before);
    for (int m = 0; m < kPoles; ++m) line[kPoles - 1 - m] = before[m];
    for (int n = 0; n < kFactor; ++n) {
        long double y = static_cast<long double>(stage.g0) * in[n];
        for (int k = 1; k <= kPoles; ++k)
            y += static_cast<long double>(stage.feedback[k - 1][0]) * line[kPoles + n - k];
        line[kPoles + n] = y;
        out[n] = y;
    }
    long double last[kPoles];  // newest first
    for (int m = 0; m < kPoles; ++m) last[m] = out[kFactor - 1 - m];
    OversamplerStage::ConvertForm(last, next);
}

}  // namespace

void OversamplerMatrices::Design(const OversamplerStage& stage) noexcept {
    // Column by column: the response to a one in that column's place and zeros elsewhere.
    for (int j = 0; j < kDecimColumns; ++j) {
        long double state[kPoles] = {}, in[kFactor] = {}, out[kFactor], next[kPoles];
        if (j < kPoles)
            state[j] = 1.0L;
        else
            in[j - kPoles] = 1.0L;
        RunSample(stage, state, in, out, next);
        auto put = [](double* column, int row, long double w) {
            column[2 * row] = column[2 * row + 1] = static_cast<double>(w);
        };
        if (j <= kPoles) {
            for (int k = 0; k < kFactor; ++k)
                outputs[j][2 * k] = outputs[j][2 * k + 1] = static_cast<float>(out[k]);
            for (int i = 0; i < kPoles; ++i) put(interp[j], i, next[i]);
        }
        // Output 0, then the next state.
        auto decimRow = [&](int r) { return r == 0 ? out[0] : next[r - 1]; };
        if (j < kPoles) {
            for (int r = 0; r <= kPoles; ++r) put(decim[j], r, decimRow(r));
        } else {
            float* column = decimInputs[j - kPoles];
            for (int r = 0; r <= kPoles; ++r)
                column[2 * r] = column[2 * r + 1] = static_cast<float>(decimRow(r));
        }
    }
}

}  // namespace tesselor::plugin::eq
