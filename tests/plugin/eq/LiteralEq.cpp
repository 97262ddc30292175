#include "tests/plugin/eq/LiteralEq.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>

#include "plugin/eq/SectionTables.h"
#include "plugin/eq/TransferCurve.h"

namespace tesselor::plugin::eq::test {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The first sixteen taps; the rest mirror them.
constexpr double kHalfTaps[16] = {
    -0.00248078931015061,  -0.004570244176216314, -0.004355356208146785, 0,
    0.00795714816545856,   0.014777623526947411,  0.013578369569319975,  0,
    -0.022456715627743595, -0.040914779384992654, -0.03769151644963085,  0,
    0.0706496448477984,    0.15538007457109065,   0.2245335588462797,    0.2511859632599724,
};

double Tap(int k) { return k < 16 ? kHalfTaps[k] : kHalfTaps[30 - k]; }

int BiasedExponent(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return static_cast<int>((bits >> 52) & 0x7ff);
}

}  // namespace

LiteralEq::LiteralEq() {
    for (double& p : _pots) p = 1.0;
    for (int i = 0; i < 200; ++i) {
        _positive[i] = TransferCurve::kEntries[i];
        _negative[i] = -TransferCurve::kEntries[i];
    }
}

void LiteralEq::ClearSidePath() {
    for (Channel& c : _channels) {
        for (double& v : c.interp.state) v = 0.0;
        for (double& v : c.decim.state) v = 0.0;
    }
}

double LiteralEq::Section::Run(double in) {
    double acc = b[0] * in;
    for (int k = 1; k <= order; ++k) acc += b[k] * x[k - 1];
    for (int k = 1; k <= order; ++k) acc -= a[k] * y[k - 1];
    const double out = acc / a[0];
    for (int k = order - 1; k >= 1; --k) {
        x[k] = x[k - 1];
        y[k] = y[k - 1];
    }
    x[0] = in;
    y[0] = out;
    return out;
}

void LiteralEq::Design(Section& s, int kind, double r, double g, double f2, double f1) {
    const double terms[12] = {g * g * f2 * f1, g * g * f2, g * g * f1, g * f2 * f1, g * g, g * f2,
                              g * f1,          f2 * f1,    g,          f2,          f1,    1.0};
    const SectionTable& table = kSectionTables[kind];
    double c[8] = {};  // N3 N2 N1 N0 D3 D2 D1 D0
    for (int col = 0; col < 8; ++col) {
        for (int t = 0; t < 12; ++t) c[col] += terms[t] * table.value[t][col];
    }
    const double r2 = r * r, r3 = r * r * r;
    s.order = SectionOrder(static_cast<SectionKind>(kind));
    if (s.order == 3) {
        for (int half = 0; half < 2; ++half) {
            const double* k = &c[4 * half];  // k[0] = X3, k[1] = X2, k[2] = X1, k[3] = X0
            double* out = half == 0 ? s.b : s.a;
            out[0] = k[0] * r3 + k[1] * r2 + k[2] * r + k[3];
            out[1] = -3.0 * k[0] * r3 - k[1] * r2 + k[2] * r + 3.0 * k[3];
            out[2] = 3.0 * k[0] * r3 - k[1] * r2 - k[2] * r + 3.0 * k[3];
            out[3] = -k[0] * r3 + k[1] * r2 - k[2] * r + k[3];
        }
    } else {
        for (int half = 0; half < 2; ++half) {
            const double* k = &c[4 * half];
            double* out = half == 0 ? s.b : s.a;
            out[0] = k[1] * r2 + k[2] * r + k[3];
            out[1] = -2.0 * k[1] * r2 + 2.0 * k[3];
            out[2] = k[1] * r2 - k[2] * r + k[3];
            out[3] = 0.0;
        }
    }
    if (kind == static_cast<int>(SectionKind::kLowPass)) {
        s.b[0] = 0.000293227446005978;
        s.b[1] = 0.000586454892011955;
        s.b[2] = 0.000293227446005978;
    }
}

void LiteralEq::DesignAllPole(double x) {
    static const double kPairs[5][2] = {
        {-1.927619691324482, 0.2416234709451774},  {-1.8421962445659017, 0.7272575977534836},
        {-1.6618102413500957, 1.221100218591516},  {-1.3606922783857325, 1.73350574265843},
        {-0.8657569017089488, 2.2926048309837426},
    };
    std::complex<double> poly[11] = {1.0};
    int n = 0;
    for (const auto& pair : kPairs) {
        const double m = std::exp(2 * kPi * x * pair[0]);
        const double w = 2 * kPi * x * pair[1];
        const std::complex<double> poles[2] = {{m * std::cos(w), m * std::sin(w)},
                                               {m * std::cos(w), -m * std::sin(w)}};
        for (const auto& p : poles) {
            ++n;
            for (int k = n; k >= 1; --k) poly[k] = poly[k] - p * poly[k - 1];
        }
    }
    std::complex<double> at1 = 0.0;
    for (const auto& c : poly) at1 += c;
    const std::complex<double> inv = 1.0 / at1;
    _g0 = 1.0 / std::hypot(inv.real(), inv.imag());
    for (int k = 0; k <= 10; ++k) _a[k] = poly[k].real();
}

double LiteralEq::AllPole::Run(double u, double g0, const double* a) {
    double y = g0 * u;
    for (int k = 1; k <= 10; ++k) y -= a[k] * state[k - 1];
    for (int k = 10; k >= 1; --k) state[k] = state[k - 1];
    const int e = BiasedExponent(y);
    if (e < 969 || e == 0x7ff) y = 0.0;
    state[0] = y;
    return y;
}

double LiteralEq::Curve(double v) const {
    const float* table = std::signbit(v) ? _negative : _positive;
    const double scale = 142.14300537109375;
    const double a = std::fabs(v) * scale;
    // A truncating conversion that overflows yields the most negative integer on x86.
    const std::int32_t i =
        (a >= -2147483648.0 && a < 2147483648.0) ? static_cast<std::int32_t>(a) : INT32_MIN;
    double c;
    if (i < 0) {
        c = table[0];
    } else if (i < 199) {
        c = static_cast<double>(table[i]) * (1.0 - (a - i)) +
            static_cast<double>(table[i + 1]) * (a - i);
    } else {
        c = table[199];
    }
    return std::copysign(c, v);
}

double LiteralEq::SideSample(Channel& c, double x) {
    const double s = 17.78279410038923 * x;
    for (int k = 0; k < _factor; ++k) {
        const double u = k == 0 ? s : 0.0;
        const double v = static_cast<double>(_factor) * c.interp.Run(u, _g0, _a);
        const double w = Curve(v);
        const double d = c.decim.Run(w, _g0, _a);
        if (k == 0) c.side = d;
    }
    return c.side;
}

void LiteralEq::Push(Channel& c, double v) {
    for (int k = 0; k <= 26; ++k) c.line[k] = c.line[k + 4];
    for (int m = 7; m >= 1; --m) c.u[m] = c.u[m - 1];
    c.u[0] = 4.0 * v;
    for (int j = 0; j < 4; ++j) {
        double sum = 0.0;
        for (int m = 0; m < 8; ++m) {
            const int k = 4 * m + j;
            sum += (k < 31 ? Tap(k) : 0.0) * c.u[m];
        }
        c.line[27 + j] = sum;
    }
}

double LiteralEq::Decimate(const Channel& c) const {
    double sum = 0.0;
    for (int k = 0; k < 31; ++k) sum += Tap(k) * c.line[k];
    return sum;
}

double LiteralEq::BandsSample(Channel& c, double x) {
    const double sideValue = SideSample(c, x);
    double y = x + 3.1622776601683795e-05 * sideValue;
    c.pre = y;
    if (static_cast<int>(_hplp) == 1) {
        y = c.highPass.Run(y);
        y = c.lowPass.Run(y);
    }
    y = static_cast<double>(static_cast<float>(y));
    if (static_cast<int>(_bell) == 0)
        c.low = c.shelf.Run(y);
    else if (static_cast<int>(_bell) == 1)
        c.low = c.bell.Run(y);
    for (int pass = 0; pass < 2; ++pass) {
        Push(c, c.low);
        for (int j = 27; j <= 30; ++j) {
            double v = c.line[j];
            v = c.high.Run(v);
            v = c.lowMid.Run(v);
            v = c.highMid.Run(v);
            c.line[j] = v;
        }
    }
    return Decimate(c);
}

void LiteralEq::Process(const double* inL, const double* inR, double* outL, double* outR,
                        int frames, double fs) {
    const double potPole = std::exp(-2 * kPi * 1000.0 / fs);
    const double gainPole = std::exp(-2 * kPi * 100.0 / fs);
    for (int i = 0; i < 10; ++i) {
        _smoothers[i].p = potPole;
        _smoothers[i].b = 1.0 - potPole;
    }
    _smoothers[10].p = gainPole;
    _smoothers[10].b = 1.0 - gainPole;

    const double targets[10] = {1.0 - _pots[9], 1.0 - _pots[8], _pots[0], 1.0 - _pots[1],
                                _pots[2],       1.0 - _pots[3], _pots[4], 1.0 - _pots[5],
                                _pots[6],       1.0 - _pots[7]};
    struct Step {
        int kind, gainSmoother, freqSmoother;
        bool upper;
    };
    const Step steps[] = {
        {0, 2, 3, false}, {1, 2, 3, false},  {2, 4, 5, true},   {3, 6, 7, true},
        {4, 8, 9, true},  {5, -1, 1, false}, {6, -1, 0, false},
    };
    for (const Step& st : steps) {
        for (Channel& c : _channels) {
            const double f1 = _smoothers[st.freqSmoother].Step(targets[st.freqSmoother]);
            const double f2 = _smoothers[st.freqSmoother].Step(targets[st.freqSmoother]);
            const double g = st.gainSmoother < 0
                                 ? 0.0
                                 : _smoothers[st.gainSmoother].Step(targets[st.gainSmoother]);
            Section* sections[7] = {&c.shelf, &c.bell,     &c.lowMid, &c.highMid,
                                    &c.high,  &c.highPass, &c.lowPass};
            Design(*sections[st.kind], st.kind, st.upper ? 8.0 * fs : fs, g, f2, f1);
        }
    }
    DesignAllPole(0.2 / _factor);

    for (int n = 0; n < frames; ++n) {
        const double xL = inL[n], xR = inR[n];
        const double dL = BandsSample(_channels[0], xL);
        const double dR = BandsSample(_channels[1], xR);
        if (static_cast<int>(_in) == 1) {
            outL[n] = dL * _smoothers[10].Step(_gainTarget);
            outR[n] = dR * _smoothers[10].Step(_gainTarget);
        } else if (static_cast<int>(_in) == 0) {
            outL[n] = xL;
            outR[n] = xR;
        }
    }
}

}  // namespace tesselor::plugin::eq::test
