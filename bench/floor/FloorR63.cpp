// kmr-floor-r63: the reference scheme R63 written out by hand, 63 modules of
// every type but the wave-file source. Eight chains side by side: six echo
// chains (generator, high-pass filter, nonlinearity, an adder looped through
// a delay and the feedback amplifier, low-pass filter) and two sweep chains
// (a ramp driving the controlled generator, shaped by an envelope in the
// multiplier, then the low-pass and the high-pass filter). A tree of adders
// at half gain sums chains 0..3 into the left and 4..7 into the right
// channel of the stereo recorder; their sum goes onto tape. Writes Cd00.wav
// and Taperec01.wav as the recorders do.
//
//   kmr-floor-r63 [--time SECONDS] [--out DIR]
//
// Each module is a small record with its own step, written out with the
// designed arithmetic; the compiler inlines them all into the one sample
// loop. Within a chain the steps follow the order of calculation; the
// feedback amplifier's output reaches the adder one sample late.
#include <algorithm>
#include <memory>
#include <vector>

#include "Floor.h"

using namespace floorbench;

namespace {

// Limitation is on in the scheme.
inline double Limit(double v) { return Clip(v); }

struct Tone {
    char mode;
    double freq, amp;
    double phase = 0.0;
    double K = 2.0 * kPi / kRate;
    double step() {
        phase = phase + K * freq;
        switch (mode) {
        case 1:
            return std::sin(phase) * 327.67 * amp >= 0 ? 32767.0 : -32768.0;
        case 2:
        case 3:
        case 4: {
            double n = std::trunc(phase * 0.5 / kPi);
            double t = (phase - n * kPi * 2) / kPi - 1;
            if (mode == 3) return -32767 * t;
            if (mode == 4) return 32767 * t;
            if (t >= 0.5) return (1 - t) * 65535;
            if (t > -0.5) return t * 65535;
            return (1 + t) * -65535;
        }
        default:
            return Clip(std::sin(phase) * 327.67 * amp);
        }
    }
};

struct HighPass {
    double Kd, amp;
    double prev = 0.0;
    HighPass(double fl, double gain)
        : Kd((double)((long double)kRate * (1.0L / 3.0L) / (long double)fl)), amp(gain) {}
    double step(double x) {
        double y = (1.0 + Kd) * x - Kd * prev;
        prev = x;
        y = y * amp * 0.01;
        return Limit(y);
    }
};

struct LowPass {
    int32_t N, pos = 0;
    double amp, sum = 0.0;
    std::unique_ptr<int32_t[]> window;
    LowPass(double fs, double gain) : N(ToInt((double)kRate / fs)), amp(gain), window(new int32_t[(size_t)N]()) {}
    double step(double x) {
        sum -= window[pos];
        int32_t v = ToInt(x);
        window[pos] = v;
        sum += v;
        double y = sum / (uint32_t)N * amp * 0.01;
        if (++pos == N) pos = 0;
        return Limit(y);
    }
};

struct Shaper {
    signed char curve[200];
    double amp = 100.0;
    double step(double x) {
        const double u = x * (100.0 / 32767.0);
        const int32_t k = std::isnan(u) ? INT32_MIN : ToInt(u);
        const int32_t i0 = std::clamp(k, -100, 99);
        const int32_t i1 = k < -101 ? -100 : k > 98 ? 99 : k + 1;
        const double a = curve[i0 + 100], b = curve[i1 + 100];
        const double level = b == a ? a : a + (b - a) * (u - k);
        return Limit(level * 327.67 * amp * 0.01);
    }
};

struct Delay {
    int32_t N, pos = 0;
    double amp = 100.0;
    std::unique_ptr<double[]> ring;
    explicit Delay(double seconds) : N(ToInt(kRate * seconds)), ring(new double[(size_t)N]()) {}
    // The output is formed before the input is stored.
    double out() const { return Limit(ring[pos] * amp * 0.01); }
    void in(double x) {
        ring[pos] = x;
        if (++pos >= N) pos = 0;
    }
};

struct Back {
    double amp;
    bool invert;
    double step(double x) const {
        if (invert) x = -x;
        return Limit(amp * x * 0.01);
    }
};

inline double Add(double a, double b, double amp) { return Clip((a + b) * amp * 0.01); }
inline double Multiply(double a, double b, double amp) { return Limit(a * b * amp * (1.0 / (32767.0 * 100.0))); }

struct Sweep {
    double Fmin, Fmax, amp;
    double phase = 0.0, K = 2.0 * kPi / kRate, S;
    Sweep(double fmin, double fmax, double gain) : Fmin(fmin), Fmax(fmax), amp(gain), S((fmax - fmin) * 0x1p-15) {}
    double step(double x) {
        phase = phase + K * (x * S);
        return Limit(std::sin(phase) * 327.67 * amp);
    }
};

struct Envelope {
    unsigned char env[40];
    double T;
    double step(int cnt) const {
        const double d = T * (1.0 / 39.0);
        const int i = (int)(cnt / d);
        const double a = env[i], b = env[i + 1];
        return Limit((a + (cnt - i * d) * (b - a) / d) * 163.83);
    }
};

// The curves and the envelope the scheme was built with.
void SoftSaturation(signed char *curve) {
    for (int i = 0; i < 200; ++i)
        curve[i] = (signed char)std::lround(100.0 * std::tanh(3.0 * (i - 100) / 100.0) / std::tanh(3.0));
}
void FoldBack(signed char *curve) {
    for (int i = 0; i < 200; ++i) {
        int k = i - 100;
        int y = k > 50 ? 100 - k : k < -50 ? -100 - k : 2 * k;
        curve[i] = (signed char)std::clamp(y, -100, 100);
    }
}
void Plucked(unsigned char *env) {
    for (int i = 0; i < 40; ++i) env[i] = (unsigned char)(i == 0 ? 0 : std::lround(100.0 * std::exp(-(i - 1) / 8.0)));
}
void Ramp(unsigned char *env) {
    for (int i = 0; i < 40; ++i) env[i] = (unsigned char)(4 * i);
}

struct EchoChain {
    Tone tone;
    HighPass high;
    Shaper shaper;
    Delay delay;
    Back back;
    LowPass low;
    double backOut = 0.0; // the feedback amplifier's net, kept between samples
    double mixAmp = 100.0;

    EchoChain(char mode, double freq, double fl, bool fold, double seconds, double feedback, bool invert, double fs)
        : tone{mode, freq, 30.0}, high(fl, 15.0), delay(seconds), back{feedback, invert}, low(fs, 100.0) {
        if (fold)
            FoldBack(shaper.curve);
        else
            SoftSaturation(shaper.curve);
    }
    double step() {
        const double mix = Add(shaper.step(high.step(tone.step())), backOut, mixAmp);
        const double delayed = delay.out();
        delay.in(mix);
        const double smoothed = low.step(mix);
        backOut = back.step(delayed);
        return smoothed;
    }
};

struct SweepChain {
    Envelope ramp, env;
    Sweep sweep;
    LowPass low;
    HighPass high;
    SweepChain(double T, double fmax, double fs) : sweep(0.0, fmax, 30.0), low(fs, 100.0), high(2000.0, 20.0) {
        Ramp(ramp.env);
        Plucked(env.env);
        ramp.T = env.T = T;
    }
    double step(int cnt) {
        const double control = ramp.step(cnt), shape = env.step(cnt);
        return high.step(low.step(Multiply(sweep.step(control), shape, 100.0)));
    }
};

} // namespace

int main(int argc, char **argv) {
    const Options o = ParseOptions(argc, argv, "kmr-floor-r63");
    const int32_t samples = Samples(o.seconds);
    const double T = kRate * o.seconds; // the envelopes' run length

    std::vector<EchoChain> echo;
    echo.reserve(6);
    echo.emplace_back(0, 110.0, 3000.0, false, 0.11, 50.0, false, 4000.0);
    echo.emplace_back(1, 220.0, 5000.0, true, 0.17, 40.0, true, 6000.0);
    echo.emplace_back(2, 330.0, 4000.0, false, 0.23, 60.0, false, 3000.0);
    echo.emplace_back(3, 165.0, 6000.0, true, 0.29, 45.0, true, 5000.0);
    echo.emplace_back(4, 275.0, 3500.0, false, 0.31, 55.0, false, 8000.0);
    echo.emplace_back(0, 440.0, 4500.0, true, 0.37, 35.0, false, 2500.0);
    SweepChain sweep3(T, 2000.0, 3000.0), sweep7(T, 1200.0, 5000.0);
    EchoChain &e0 = echo[0], &e1 = echo[1], &e2 = echo[2], &e4 = echo[3], &e5 = echo[4], &e6 = echo[5];

    WaveOut cd(o.out + "/Cd00.wav", 2, samples);
    WaveOut tape(o.out + "/Taperec01.wav", 1, samples);
    const double half = 50.0, full = 100.0;
    for (int32_t s = 0; s < samples; ++s) {
        const double c0 = e0.step(), c1 = e1.step(), c2 = e2.step(), c3 = sweep3.step(s);
        const double c4 = e4.step(), c5 = e5.step(), c6 = e6.step(), c7 = sweep7.step(s);
        const double left = Add(Add(c0, c1, half), Add(c2, c3, half), half);
        const double right = Add(Add(c4, c5, half), Add(c6, c7, half), half);
        cd.Put(Sample(left, full));
        cd.Put(Sample(right, full));
        tape.Put(Sample(Add(left, right, half), full));
    }
    bool ok = cd.Finish();
    ok = tape.Finish() && ok;
    if (!ok) {
        std::fprintf(stderr, "kmr-floor-r63: cannot write the wave files into %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}
