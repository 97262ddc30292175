#include "plugin/PotSmoother.h"

#include <cmath>
#include <numbers>

namespace tesselor::plugin {

void PotSmoother::SetCorner(double cornerHz, double rateHz) {
    _p = std::exp(-2.0 * std::numbers::pi * cornerHz / rateHz);
    _b = 1.0 - _p;
}

}  // namespace tesselor::plugin
