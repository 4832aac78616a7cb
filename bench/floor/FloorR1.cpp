// kmr-floor-r1: the reference scheme R1 written out by hand. A 441 Hz sine at
// full gain through the moving-average low-pass filter (suppression frequency
// 1000 Hz) into the adder; the adder's sum goes onto tape and into a 0.2 s
// delay, whose output comes back through the feedback amplifier at 50 % into
// the adder's second input. Writes Taperec00.wav as the tape recorder does.
//
//   kmr-floor-r1 [--time SECONDS] [--out DIR]
//
// The statements follow the order of calculation of the scheme: generator,
// filter, adder, recorder and delay, feedback amplifier. The amplifier's
// output is read by the adder one sample after it was formed.
#include <memory>

#include "Floor.h"

using namespace floorbench;

int main(int argc, char **argv) {
    const Options o = ParseOptions(argc, argv, "kmr-floor-r1");
    const int32_t samples = Samples(o.seconds);

    // Generator: sine, 441 Hz, gain 100.
    const double toneFreq = 441.0, toneAmp = 100.0;
    const double K = 2.0 * kPi / kRate;
    double phase = 0.0;
    // Low-pass filter: a window of rate / Fs truncated input samples.
    const double Fs = 1000.0, filterAmp = 100.0;
    const int32_t N = ToInt((double)kRate / Fs);
    std::unique_ptr<int32_t[]> window(new int32_t[(size_t)N]());
    int32_t wpos = 0;
    double sum = 0.0;
    // Adder and recorder at gain 100; delay of 0.2 s at gain 100.
    const double mixAmp = 100.0, tapeAmp = 100.0, delayAmp = 100.0;
    const int32_t D = ToInt(kRate * 0.2);
    std::unique_ptr<double[]> ring(new double[(size_t)D]());
    int32_t dpos = 0;
    // Feedback amplifier at 50 %; its output starts at 0.
    const double backAmp = 50.0;
    double back = 0.0;

    WaveOut tape(o.out + "/Taperec00.wav", 1, samples);
    for (int32_t s = 0; s < samples; ++s) {
        phase = phase + K * toneFreq;
        const double tone = Clip(std::sin(phase) * 327.67 * toneAmp);

        sum -= window[wpos];
        const int32_t v = ToInt(tone);
        window[wpos] = v;
        sum += v;
        const double filtered = Clip(sum / (uint32_t)N * filterAmp * 0.01);
        if (++wpos == N) wpos = 0;

        const double mix = Clip((filtered + back) * mixAmp * 0.01);
        tape.Put(Sample(mix, tapeAmp));

        const double delayed = Clip(ring[dpos] * delayAmp * 0.01);
        ring[dpos] = mix;
        if (++dpos >= D) dpos = 0;

        back = Clip(backAmp * delayed * 0.01);
    }
    if (!tape.Finish()) {
        std::fprintf(stderr, "kmr-floor-r1: cannot write %s/Taperec00.wav\n", o.out.c_str());
        return 1;
    }
    return 0;
}
