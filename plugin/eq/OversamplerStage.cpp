#include "plugin/eq/OversamplerStage.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace tesselor::plugin::eq {

namespace {

// Prototype pole pairs (sigma, omega) of the ten-pole low-pass, scaled by 2 pi x.
constexpr double kPolePairs[5][2] = {
    {-1.927619691324482, 0.2416234709451774},  {-1.8421962445659017, 0.7272575977534836},
    {-1.6618102413500957, 1.221100218591516},  {-1.3606922783857325, 1.73350574265843},
    {-0.8657569017089488, 2.2926048309837426},
};

}  // namespace

void OversamplerStage::Design(double x) noexcept {
    using Complex = std::complex<double>;
    // A(z) = prod (1 - p z^-1); poly[k] multiplies z^-k.
    Complex poly[kPoles + 1] = {Complex(1.0, 0.0)};
    int degree = 0;
    for (const auto& pair : kPolePairs) {
        const double radius = std::exp(2.0 * std::numbers::pi * x * pair[0]);
        const double angle = 2.0 * std::numbers::pi * x * pair[1];
        for (const double sign : {1.0, -1.0}) {
            const Complex pole(radius * std::cos(angle), sign * radius * std::sin(angle));
            ++degree;
            for (int k = degree; k >= 1; --k) poly[k] -= pole * poly[k - 1];
        }
    }
    Complex sum(0.0, 0.0);
    for (const Complex& c : poly) sum += c;
    const Complex inverse = 1.0 / sum;
    g0 = 1.0 / std::hypot(inverse.real(), inverse.imag());
    for (double& lane : gain) lane = g0;
    for (int k = 1; k <= kPoles; ++k) {
        for (double& lane : feedback[k - 1]) lane = -poly[k].real();
    }
}

void OversamplerStage::ConvertState(StateForm to) noexcept {
    if (to == form) return;
    for (Stereo(*state)[kPoles] : {&interp, &decim}) {
        Stereo converted[kPoles];
        ConvertForm(*state, converted);
        for (int i = 0; i < kPoles; ++i) (*state)[i] = converted[i];
    }
    form = to;
}

void OversamplerStage::ClearFilters() noexcept {
    for (Stereo& v : interp) v = Stereo{};
    for (Stereo& v : decim) v = Stereo{};
}

void OversamplerStage::ClearLane(int lane) noexcept {
    for (Stereo& v : interp) v[lane] = 0.0;
    for (Stereo& v : decim) v[lane] = 0.0;
    side[lane] = 0.0;
}

Stereo OversamplerStage::NonFiniteProbe() const noexcept {
    // Two sums side by side: only 0 against NaN counts (see BandSection::NonFiniteProbe).
    Stereo first = side - side, second{};
    for (int j = 0; j < kPoles; ++j) {
        first += interp[j] - interp[j];
        second += decim[j] - decim[j];
    }
    return first + second;
}

}  // namespace tesselor::plugin::eq
