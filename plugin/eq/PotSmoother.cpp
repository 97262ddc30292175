#include "plugin/eq/PotSmoother.h"

#include <cmath>
#include <numbers>

namespace tesselor::plugin::eq {

void PotSmoother::SetCorner(double cornerHz, double rateHz) {
    p = std::exp(-2.0 * std::numbers::pi * cornerHz / rateHz);
    b = 1.0 - p;
}

}  // namespace tesselor::plugin::eq
