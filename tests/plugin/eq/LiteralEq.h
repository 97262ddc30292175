#pragma once

namespace tesselor::plugin::eq::test {

// The equaliser's formulas evaluated as literally as they are written: expanded coefficient
// polynomials, division by a0 on every sample, one channel after the other, every state shifted
// element by element, the all-pole flush tested on the exponent bits. It is slow on purpose and
// shares only the measured tables (section coefficients, curve entries) with the engine; the
// engine's tests and benchmark compare the fast path against it.
class LiteralEq {
public:
    LiteralEq();

    void SetPot(int index, double value) { _pots[index] = value; }  // 0..9, plain
    void SetOutputGainTarget(double linear) { _gainTarget = linear; }
    void SetFactor(int factor) { _factor = factor; }  // 4 or 16
    // Switch values as the registry holds them, read for every sample.
    void SetSwitches(double bell, double hplp, double in) {
        _bell = bell;
        _hplp = hplp;
        _in = in;
    }
    // Clears the side path's all-pole states (the reset hook).
    void ClearSidePath();
    // One block, set-up included; frames may be 0.
    void Process(const double* inL, const double* inR, double* outL, double* outR, int frames,
                 double rateHz);

private:
    struct Smoother {
        double b = 1.0, p = 0.0, z = 0.0;
        double Step(double t) {
            z = b * t + p * z;
            return z;
        }
    };
    struct Section {
        int order = 3;
        double b[4] = {}, a[4] = {};
        double x[3] = {}, y[3] = {};  // x1..x3, y1..y3
        double Run(double in);
    };
    struct AllPole {
        double state[11] = {};  // newest output first
        double Run(double u, double g0, const double* a);
    };
    struct Channel {
        Section shelf, bell, lowMid, highMid, high, highPass, lowPass;
        AllPole interp, decim;
        double side = 0.0;
        double line[31] = {};
        double u[8] = {};
        double low = 0.0, pre = 0.0;
    };

    void Design(Section& s, int kind, double r, double g, double f2, double f1);
    void DesignAllPole(double x);
    double Curve(double v) const;
    void Push(Channel& c, double v);
    double Decimate(const Channel& c) const;
    double SideSample(Channel& c, double x);
    double BandsSample(Channel& c, double y);

    double _pots[10];
    double _gainTarget = 1.0;
    int _factor = 4;
    double _bell = 0.0, _hplp = 0.0, _in = 1.0;
    Smoother _smoothers[11];
    Channel _channels[2];
    double _g0 = 1.0;
    double _a[11] = {};
    float _positive[200], _negative[200];
};

}  // namespace tesselor::plugin::eq::test
