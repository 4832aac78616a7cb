// kmr-examples: builds the example projects through the engine, as the editor
// would (instances, wire segments, pin nets, labels, each module's own
// settings through its inspector rows or its own saved bytes), and saves
// them. Also writes the wave file the wave-file source example plays.
//
//   kmr-examples PLUGIN_DIR OUT_DIR
//
// An example whose module types are not all installed is skipped with a note;
// a failure to write one is an error.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Label.h"
#include "Project.h"
#include "Run.h"

namespace fs = std::filesystem;

namespace {

constexpr int kGrid = 16;

// One project under construction.
class Builder {
public:
    Builder(AVMODULES &types, PARAMS &params) : types_(types), params_(params), scheme_(types) {
        labels_.SetOwner(&host_);
    }

    // A module of the type in file `type` with its picture's top-left corner
    // at (x, y); 0 when the type is not installed (remembered in missing()).
    int add(const char *type, int x, int y) {
        int n = types_.FindByFileName(type);
        if (n < 0) {
            missing_.push_back(type);
            return 0;
        }
        int slot = scheme_.AddInstance(types_.GetType(n), n);
        if (!slot) {
            failed_ = true;
            return 0;
        }
        scheme_.Get(slot)->loc.Set(x / kGrid * kGrid, y / kGrid * kGrid);
        return slot;
    }

    // A wire from the output of `from` to input `input` of `to`: along the
    // output's row to column `midX` (default: halfway, on the 8-pixel grid),
    // along that column to the input's row, and along it to the input.
    void connect(int from, int to, int input, int midX = -1) {
        MODULE *a = scheme_.Get(from), *b = scheme_.Get(to);
        if (!a || !b) return;
        CPOINT p = PinPosition(a, 1), q = PinPosition(b, 2 + input);
        if (!p.Valid() || !q.Valid()) {
            failed_ = true;
            return;
        }
        int net = a->wireout ? a->wireout : wires_.NewNet();
        if (midX < 0) midX = (p.x + q.x) / 2 / 8 * 8;
        CPOINT route[] = {p, {midX, p.y}, {midX, q.y}, q};
        for (int i = 0; i < 3; ++i) {
            // Wires of one output may share their first pieces.
            if (same(route[i], route[i + 1]) || hasSegment(route[i], route[i + 1], net)) continue;
            if (wires_.AddSegment(SEGMENT{route[i], route[i + 1], net}) != net) failed_ = true;
        }
        scheme_.SetPinNet(from, p, net);
        scheme_.SetPinNet(to, q, net);
    }

    // Sets the variable behind the instance's inspector row `row` (its
    // English label) from `text`, as the inspector does.
    void set(int slot, const char *row, const std::string &text) {
        MODULE *m = scheme_.Get(slot);
        if (!m) return;
        for (int i = 0; i < kDescriptorCount; ++i) params_.Descr[i] = DESCRIPTOR{};
        kmd::Describe(types_.GetType(m->Index), m);
        for (int i = 2; i < kDescriptorCount; ++i)
            if (std::strcmp(params_.Descr[i].Name, row) == 0) {
                if (!SetText(&params_.Descr[i], text.c_str())) failed_ = true;
                return;
            }
        std::fprintf(stderr, "kmr-examples: %s has no row \"%s\"\n", types_.TypeName(m->Index), row);
        failed_ = true;
    }

    // Hands the instance its own bytes, as a project file holds them.
    void load(int slot, const std::vector<unsigned char> &bytes) {
        MODULE *m = scheme_.Get(slot);
        if (!m) return;
        Reader r{bytes, 0};
        KMDSTREAM s{&r, nullptr, Reader::read, 0};
        if (!kmd::Load(types_.GetType(m->Index), m, &s)) failed_ = true;
    }

    void gain(int slot, double percent) {
        if (MODULE *m = scheme_.Get(slot)) m->amp = percent;
    }

    void label(int x, int y, const char *text) {
        if (!labels_.CreateLabel(x, y, text)) failed_ = true;
    }

    const std::vector<std::string> &missing() const { return missing_; }

    bool save(const fs::path &path, int32_t freq, double seconds) {
        if (failed_) return false;
        params_.Freq = freq;
        params_.FullTime = seconds;
        params_.Limitation = true;
        params_.Fast = false;
        bool readOnly = false;
        return kmr::SaveProject(kmr::Project{scheme_, wires_, labels_, params_, readOnly}, path.string());
    }

private:
    static bool same(CPOINT a, CPOINT b) { return a.x == b.x && a.y == b.y; }
    bool hasSegment(CPOINT a, CPOINT b, int net) const {
        for (int i = 1; i < WIRES::kSlots; ++i) {
            const SEGMENT *s = wires_.Slot(i);
            if (s->net == net && ((same(s->a, a) && same(s->b, b)) || (same(s->a, b) && same(s->b, a)))) return true;
        }
        return false;
    }

    struct Reader {
        const std::vector<unsigned char> &bytes;
        size_t pos;
        static intptr_t read(void *c, void *data, intptr_t n) {
            auto *r = static_cast<Reader *>(c);
            size_t k = std::min<size_t>((size_t)n, r->bytes.size() - r->pos);
            std::memcpy(data, r->bytes.data() + r->pos, k);
            r->pos += k;
            return (intptr_t)k;
        }
    };

    AVMODULES &types_;
    PARAMS &params_;
    MODULES scheme_;
    WIRES wires_;
    kmr::LabelHost host_;
    kmr::LABCLASS labels_;
    std::vector<std::string> missing_;
    bool failed_ = false;
};

// The envelope generator's 40 points: a quick rise, then a long decay.
std::vector<unsigned char> pluckedEnvelope() {
    std::vector<unsigned char> env(40);
    for (int i = 0; i < 40; ++i) env[i] = (unsigned char)(i == 0 ? 0 : std::lround(100.0 * std::exp(-(i - 1) / 8.0)));
    return env;
}

// The nonlinearity's 200 points: a soft saturation, point i for the input
// level i - 100.
std::vector<unsigned char> softSaturation() {
    std::vector<unsigned char> curve(200);
    for (int i = 0; i < 200; ++i) {
        double y = 100.0 * std::tanh(3.0 * (i - 100) / 100.0) / std::tanh(3.0);
        curve[i] = (unsigned char)(signed char)std::lround(y);
    }
    return curve;
}

// A tone, filtered, on tape.
void toneFilter(Builder &b) {
    int tone = b.add("Tonegen.kmd", 48, 80);
    int filter = b.add("Filter.kmd", 160, 80);
    int tape = b.add("Taperec.kmd", 272, 80);
    b.set(tone, "Type", "1"); // square wave
    b.set(tone, "Frequency (HZ)", "220");
    b.set(filter, "Suppression freq", "2000");
    b.gain(tape, 30); // the square wave is at full scale whatever its gain
    b.connect(tone, filter, 0);
    b.connect(filter, tape, 0);
    b.label(48, 52, "A square wave through the low-pass filter onto tape");
}

// A plucked note into an echo: a delay whose output comes back through the
// feedback amplifier; the dry mix left, the echoes right.
void echoStereo(Builder &b) {
    int tone = b.add("Tonegen.kmd", 48, 80);
    int env = b.add("Ramper.kmd", 48, 160);
    int times = b.add("Timesbox.kmd", 144, 112);
    int mix = b.add("Plusbox.kmd", 240, 112);
    int delay = b.add("Delay.kmd", 336, 192);
    int back = b.add("Back.kmd", 336, 272);
    int cd = b.add("Stereorec.kmd", 464, 112);
    b.set(tone, "Frequency (HZ)", "330");
    b.gain(tone, 40); // room for the echoes on top of the note
    b.load(env, pluckedEnvelope());
    b.set(delay, "Delay (sec)", "0.3");
    b.gain(back, 60);
    b.connect(tone, times, 0);
    b.connect(env, times, 1, 120);
    b.connect(times, mix, 0);
    b.connect(mix, delay, 0, 304);
    b.connect(mix, cd, 0, 304);
    b.connect(delay, back, 0, 384);
    b.connect(delay, cd, 1, 384);
    b.connect(back, mix, 1, 224);
    b.label(48, 52, "A plucked note and its echoes: the delay loop closes through the feedback amplifier");
}

// A rising sweep, saturated by the nonlinearity and shaped by an envelope.
void sweepShaper(Builder &b) {
    int ramp = b.add("Ramper.kmd", 48, 80);
    int sweep = b.add("Sweeper.kmd", 144, 80);
    int shaper = b.add("Shaper.kmd", 240, 80);
    int env = b.add("Ramper.kmd", 240, 176);
    int times = b.add("Timesbox.kmd", 336, 112);
    int tape = b.add("Taperec.kmd", 432, 112);
    b.set(sweep, "Fmin (HZ)", "0");
    b.set(sweep, "Fmax (HZ)", "2000");
    b.gain(sweep, 80);
    b.load(shaper, softSaturation());
    b.load(env, pluckedEnvelope());
    b.connect(ramp, sweep, 0);
    b.connect(sweep, shaper, 0);
    b.connect(shaper, times, 0);
    b.connect(env, times, 1, 320);
    b.connect(times, tape, 0);
    b.label(48, 52, "A rising sweep, saturated by the nonlinearity, under an envelope");
}

// Both channels of a wave file, the left one high-passed, the right one
// low-passed, into the stereo recorder.
void waveSource(Builder &b, const fs::path &wave) {
    int left = b.add("Wavsource.kmd", 48, 80);
    int right = b.add("Wavsource.kmd", 48, 176);
    int high = b.add("Lowcut.kmd", 160, 80);
    int low = b.add("Filter.kmd", 160, 176);
    int cd = b.add("Stereorec.kmd", 288, 112);
    for (int s : {left, right}) b.set(s, "FileName", wave.string());
    b.set(right, "Right channel", "true");
    b.set(high, "Lowest freq", "150");
    b.gain(high, 20); // the high-pass filter lifts the level
    b.set(low, "Suppression freq", "1000");
    b.connect(left, high, 0);
    b.connect(right, low, 0);
    b.connect(high, cd, 0);
    b.connect(low, cd, 1, 256);
    b.label(48, 52, "A wave file: left channel through the high-pass filter, right channel through the low-pass filter");
}

// Reference scheme R1 of the render benchmarks: a 441 Hz sine through the
// low-pass filter into an adder whose output goes onto tape and into a 0.2 s
// delay; the delayed signal comes back at half gain through the feedback
// amplifier into the adder's second input.
void r1Echo(Builder &b) {
    int tone = b.add("Tonegen.kmd", 48, 80);
    int filter = b.add("Filter.kmd", 144, 80);
    int mix = b.add("Plusbox.kmd", 240, 80);
    int tape = b.add("Taperec.kmd", 352, 80);
    int delay = b.add("Delay.kmd", 352, 160);
    int back = b.add("Back.kmd", 352, 240);
    b.set(tone, "Frequency (HZ)", "441");
    b.set(filter, "Suppression freq", "1000");
    b.set(delay, "Delay (sec)", "0.2");
    b.gain(back, 50);
    b.connect(tone, filter, 0);
    b.connect(filter, mix, 0);
    b.connect(mix, tape, 0, 312);
    b.connect(mix, delay, 0, 312);
    b.connect(delay, back, 0, 416);
    b.connect(back, mix, 1, 224);
    b.label(48, 52, "R1: a sine through the low-pass filter with an echo fed back through the delay");
}

// A fold-back curve for the nonlinearity: rises to full level at half the
// input range and falls again beyond it.
std::vector<unsigned char> foldBack() {
    std::vector<unsigned char> curve(200);
    for (int i = 0; i < 200; ++i) {
        int k = i - 100;
        int y = k > 50 ? 100 - k : k < -50 ? -100 - k : 2 * k;
        curve[i] = (unsigned char)(signed char)std::clamp(y, -100, 100);
    }
    return curve;
}

// A chain of R63 with a feedback loop, in a band 128 pixels high from y0:
// generator, high-pass filter, nonlinearity, then an adder whose output runs
// through a delay and back through the feedback amplifier into its second
// input, and on through the low-pass filter. Answers the last module.
struct EchoChain {
    const char *shape;     // the generator's wave shape, 0..4
    const char *frequency; // Hz
    const char *lowest;    // the high-pass filter's cut frequency, Hz
    bool fold;             // fold-back instead of soft saturation
    const char *delay;     // seconds
    double feedback;       // gain of the feedback amplifier, per cent
    bool invert;           // the feedback amplifier inverts
    const char *smooth;    // the low-pass filter's suppression frequency, Hz
};

int echoChain(Builder &b, int y0, const EchoChain &c) {
    int tone = b.add("Tonegen.kmd", 48, y0);
    int high = b.add("Lowcut.kmd", 128, y0);
    int shaper = b.add("Shaper.kmd", 208, y0);
    int mix = b.add("Plusbox.kmd", 288, y0);
    int delay = b.add("Delay.kmd", 368, y0 + 48);
    int back = b.add("Back.kmd", 368, y0 + 80);
    int low = b.add("Filter.kmd", 464, y0);
    b.set(tone, "Type", c.shape);
    b.set(tone, "Frequency (HZ)", c.frequency);
    b.gain(tone, 30); // the sine and the square follow it; the other shapes are full scale
    b.set(high, "Lowest freq", c.lowest);
    b.gain(high, 15); // the difference lifts the high frequencies
    b.load(shaper, c.fold ? foldBack() : softSaturation());
    b.set(delay, "Delay (sec)", c.delay);
    b.gain(back, c.feedback);
    if (c.invert) b.set(back, "Inverted", "true");
    b.set(low, "Suppression freq", c.smooth);
    b.connect(tone, high, 0);
    b.connect(high, shaper, 0);
    b.connect(shaper, mix, 0);
    b.connect(mix, delay, 0, 344);
    b.connect(mix, low, 0, 344);
    b.connect(delay, back, 0, 416);
    b.connect(back, mix, 1, 272);
    return low;
}

// A chain of R63 without a loop, in a band from y0: a ramp sweeps the
// controlled generator, whose sine is shaped by an envelope in the
// multiplier and passes the low-pass and the high-pass filter.
int sweepChain(Builder &b, int y0, const char *fmax, const char *smooth) {
    int ramp = b.add("Ramper.kmd", 48, y0);
    int sweep = b.add("Sweeper.kmd", 128, y0);
    int env = b.add("Ramper.kmd", 128, y0 + 48);
    int times = b.add("Timesbox.kmd", 208, y0);
    int low = b.add("Filter.kmd", 288, y0);
    int high = b.add("Lowcut.kmd", 368, y0);
    b.set(sweep, "Fmin (HZ)", "0");
    b.set(sweep, "Fmax (HZ)", fmax);
    b.gain(sweep, 30);
    b.load(env, pluckedEnvelope());
    b.set(low, "Suppression freq", smooth);
    b.set(high, "Lowest freq", "2000");
    b.gain(high, 20);
    b.connect(ramp, sweep, 0);
    b.connect(sweep, times, 0);
    b.connect(env, times, 1, 192);
    b.connect(times, low, 0);
    b.connect(low, high, 0);
    return high;
}

// An adder at (x, y) summing the outputs of `a` and `b` at half gain; the
// wires turn at columns midA and midB.
int sumOf(Builder &b, int x, int y, int a, int c, int midA, int midC) {
    int sum = b.add("Plusbox.kmd", x, y);
    b.gain(sum, 50);
    b.connect(a, sum, 0, midA);
    b.connect(c, sum, 1, midC);
    return sum;
}

// Reference scheme R63 of the render benchmarks: 63 modules of every type but
// the wave-file source. Eight parallel chains (six with an echo loop, two
// sweeps under an envelope) summed by a tree of adders, four chains into the
// left channel of the stereo recorder and four into the right; the sum of both
// channels goes onto tape.
void r63Chains(Builder &b) {
    const EchoChain echoes[6] = {
        {"0", "110", "3000", false, "0.11", 50, false, "4000"},
        {"1", "220", "5000", true, "0.17", 40, true, "6000"},
        {"2", "330", "4000", false, "0.23", 60, false, "3000"},
        {"3", "165", "6000", true, "0.29", 45, true, "5000"},
        {"4", "275", "3500", false, "0.31", 55, false, "8000"},
        {"0", "440", "4500", true, "0.37", 35, false, "2500"},
    };
    int out[8];
    out[0] = echoChain(b, 64, echoes[0]);
    out[1] = echoChain(b, 192, echoes[1]);
    out[2] = echoChain(b, 320, echoes[2]);
    out[3] = sweepChain(b, 448, "2000", "3000");
    out[4] = echoChain(b, 576, echoes[3]);
    out[5] = echoChain(b, 704, echoes[4]);
    out[6] = echoChain(b, 832, echoes[5]);
    out[7] = sweepChain(b, 960, "1200", "5000");
    int s01 = sumOf(b, 560, 128, out[0], out[1], 528, 544);
    int s23 = sumOf(b, 560, 384, out[2], out[3], 528, 544);
    int left = sumOf(b, 656, 256, s01, s23, 624, 640);
    int s45 = sumOf(b, 560, 640, out[4], out[5], 528, 544);
    int s67 = sumOf(b, 560, 896, out[6], out[7], 528, 544);
    int right = sumOf(b, 656, 768, s45, s67, 624, 640);
    int cd = b.add("Stereorec.kmd", 752, 512);
    b.connect(left, cd, 0, 720);
    b.connect(right, cd, 1, 736);
    int mono = sumOf(b, 752, 608, left, right, 720, 736);
    int tape = b.add("Taperec.kmd", 848, 608);
    b.connect(mono, tape, 0);
    b.label(48, 46, "R63: eight parallel chains summed into the stereo recorder, their sum onto tape");
}

void put16(std::ofstream &f, uint16_t v) {
    unsigned char b[2] = {(unsigned char)v, (unsigned char)(v >> 8)};
    f.write(reinterpret_cast<const char *>(b), 2);
}
void put32(std::ofstream &f, uint32_t v) {
    put16(f, (uint16_t)v);
    put16(f, (uint16_t)(v >> 16));
}

// Two seconds of 16-bit stereo at 22050 Hz (the source converts it to the
// run's rate): a chord with a tremolo on the left, a falling tone on the right.
bool writeSourceWave(const fs::path &path) {
    const uint32_t rate = 22050, frames = 2 * rate;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write("RIFF", 4);
    put32(f, 36 + frames * 4);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 2);
    put32(f, rate);
    put32(f, rate * 4);
    put16(f, 4);
    put16(f, 16);
    f.write("data", 4);
    put32(f, frames * 4);
    const double pi = 3.141592653589793;
    double phase = 0.0;
    for (uint32_t i = 0; i < frames; ++i) {
        double t = (double)i / rate;
        double chord = std::sin(2 * pi * 220 * t) + std::sin(2 * pi * 277.18 * t) + std::sin(2 * pi * 329.63 * t);
        double left = chord / 3 * (0.6 + 0.4 * std::sin(2 * pi * 4 * t));
        phase += 2 * pi * (880.0 - 330.0 * t) / rate;
        double right = 0.8 * std::sin(phase) + 0.2 * std::sin(3 * phase);
        put16(f, (uint16_t)(int16_t)std::lround(left * 20000));
        put16(f, (uint16_t)(int16_t)std::lround(right * 20000));
    }
    return (bool)f;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kmr-examples PLUGIN_DIR OUT_DIR\n");
        return 64;
    }
    const fs::path outDir = fs::absolute(argv[2]);
    std::error_code ec;
    fs::create_directories(outDir, ec);

    static double values[kNetCount];
    static DESCRIPTOR descriptors[kDescriptorCount];
    PARAMS params = kmr::StartParams(values, descriptors, 1); // inspector rows are found by their English labels

    AVMODULES types(&params);
    types.SetFolder(argv[1]);
    std::vector<std::string> files;
    for (const auto &e : fs::directory_iterator(argv[1], ec))
        if (e.path().extension() == ".kmd") files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    for (const std::string &f : files) types.LoadType(f);

    const fs::path wave = outDir / "source.wav";
    if (!writeSourceWave(wave)) {
        std::fprintf(stderr, "kmr-examples: cannot write %s\n", wave.c_str());
        return 1;
    }

    struct Example {
        const char *file;
        int32_t freq;
        double seconds;
        std::function<void(Builder &)> build;
    };
    const Example examples[] = {
        {"tone-filter.kpj", 44100, 2.0, toneFilter},
        {"echo-stereo.kpj", 44100, 3.0, echoStereo},
        {"sweep-shaper.kpj", 22050, 3.0, sweepShaper},
        {"wave-source.kpj", 44100, 2.0, [&wave](Builder &b) { waveSource(b, wave); }},
        {"r1-echo.kpj", 44100, 10.0, r1Echo},
        {"r63-chains.kpj", 44100, 10.0, r63Chains},
    };
    int status = 0;
    for (const Example &x : examples) {
        Builder b(types, params);
        x.build(b);
        if (!b.missing().empty()) {
            std::string names;
            for (const std::string &m : b.missing()) names += " " + m;
            std::printf("kmr-examples: %s skipped, not installed:%s\n", x.file, names.c_str());
            continue;
        }
        if (!b.save(outDir / x.file, x.freq, x.seconds)) {
            std::fprintf(stderr, "kmr-examples: cannot make %s\n", x.file);
            status = 1;
        }
    }
    return status;
}
