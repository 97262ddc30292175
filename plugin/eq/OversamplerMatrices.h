#pragma once

#include "plugin/eq/LaneTypes.h"
#include "plugin/eq/OversamplerStage.h"

namespace tesselor::plugin::eq {

// The side path's two all-pole filters over one input sample at F = 16, as matrices, for the
// loop that runs them as products that do not wait on each other (simd/SideMatrixPath.h).
//
// Each filter's state is held as differences (OversamplerStage::StateForm::kDifferences). The
// last ten outputs themselves would do in exact arithmetic, but they lie so close together that
// their products with the matrix cancel to a ten-millionth of their size, and the rounding left
// over grows with every sample; the differences carry the same information without that.
//   interpolation: its 16 outputs and its next state, from its state and the input sample (the
//     other 15 inputs are the zero stuffing);
//   decimation: its first output (the side value) and its next state, from its state and the 16
//     curved values.
// Each weight is stored twice, once per channel, so that a column multiplies left and right
// values side by side. A record of weights; Design fills it.
struct OversamplerMatrices {
    static constexpr int kFactor = 16;
    static constexpr int kPoles = OversamplerStage::kPoles;
    // Columns: the state d_0 .. d_9, then the input sample (interpolation) or the 16 curved values
    // in time order (decimation).
    static constexpr int kInterpColumns = kPoles + 1;
    static constexpr int kDecimColumns = kPoles + kFactor;
    // Rows of the interpolation's next state: the state and two rows of zeros. Of the
    // decimation: output 0, the next state, a row of zeros. Whole groups of four.
    static constexpr int kStateRows = kPoles + 2;
    static constexpr int kDecimRows = 1 + kPoles + 1;

    // [audio thread, block start] From a stage designed for F = 16.
    void Design(const OversamplerStage& stage) noexcept;

    // interp[j][2 r + lane]: row r's weight of column j; decim likewise, for the state's columns.
    // The interpolation's outputs (outputs[j][2 k + lane]) and the decimation's columns of the
    // curved values (decimInputs[k][2 r + lane], with four rows of zeros) in single precision:
    // they only concern the curve, whose tables are single precision themselves, and take half
    // the operations so. The states, which carry on from sample to sample, stay in double
    // precision.
    alignas(64) float outputs[kInterpColumns][2 * kFactor] = {};
    alignas(64) double interp[kInterpColumns][2 * kStateRows] = {};
    alignas(64) double decim[kPoles][2 * kDecimRows] = {};
    alignas(64) float decimInputs[kFactor][2 * 16] = {};
};

}  // namespace tesselor::plugin::eq
