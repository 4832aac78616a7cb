// Signal generator: a source of sine, square, triangle and the two saw
// waves at a frequency typed in or picked as a note (Notes.h).
#include <cstring>

#include "Layout.h"
#include "Notes.h"
#include "Skeleton.h"

namespace {

constexpr double kPi = 3.141592653589793;

// Wave shapes (mode). Any other value gives the sine.
enum : char { Sine = 0, Square = 1, Triangle = 2, FallingSaw = 3, RisingSaw = 4 };

// One sample of the wave at `phase`. The sine follows the gain and is always
// clipped; the square uses only the sign of the gained sine; the triangle
// and the saws ignore the gain and are never clipped.
double Wave(char mode, double phase, double amp) {
    // The sine, and every mode that names no other shape, comes first: the
    // sample loop reaches it without a jump.
    if ((unsigned char)(mode - Square) > RisingSaw - Square) [[likely]]
        return kmd::Clip(std::sin(phase) * 327.67 * amp);
    switch (mode) {
    case Square:
        return std::sin(phase) * 327.67 * amp >= 0 ? 32767.0 : -32768.0;
    case Triangle:
    case FallingSaw:
    case RisingSaw: {
        // t runs from -1 to just below 1 over each period of a non-negative
        // phase. The period count stays a double: the phase is never
        // wrapped, and an integer would overflow on long or fast runs.
        double n = std::trunc(phase * 0.5 / kPi);
        double t = (phase - n * kPi * 2) / kPi - 1;
        if (mode == FallingSaw) return -32767 * t;
        if (mode == RisingSaw) return 32767 * t;
        if (t >= 0.5) return (1 - t) * 65535;
        if (t > -0.5) return t * 65535;
        return (1 + t) * -65535;
    }
    default: // not reached: the sine was answered above
        return kmd::Clip(std::sin(phase) * 327.67 * amp);
    }
}

} // namespace

#pragma pack(push, 4)
class Tonegen : public MODULE {
public:
    char octave;        // selected octave, 0..8
    signed char note;   // selected key 0..11, -1 when the frequency was typed
    char mode;          // wave shape
    char filler;        // saved with the others
    double freq;        // Hz
    double phase;       // running phase in radians; set by Start
    double K;           // phase step per hertz and sample, 2 pi / sample rate

    // The default is the C of the second octave, a 523.25 Hz sine.
    void Create() {
        end.Set(31, 31);
        out.Set(32, 16);
        octave = 5;
        note = 0;
        freq = tonegen::NoteFrequency(5 * tonegen::kKeys + 0);
    }

    void Description() {
        Params->Descr[2].SetChar(Params->Lang ? "Type" : KMD_1251("Тип генератора"), mode);
        Params->Descr[3].SetDouble(Params->Lang ? "Frequency (HZ)" : KMD_1251("Частота (Гц)"), freq);
    }

    bool Start() {
        phase = 0;
        K = 2.0 * kPi / Params->Freq;
        return true;
    }

    // The phase advances before the sample is formed, so the first sample of
    // a run is already one step in.
    void Count(int) {
        phase = phase + K * freq;
        kmd::Output(this, Wave(mode, phase, amp));
    }

    // octave, note, mode, the filler byte and freq: 12 bytes.
    bool Save(KMDSTREAM *s) {
        unsigned char b[12];
        b[0] = (unsigned char)octave;
        b[1] = (unsigned char)note;
        b[2] = (unsigned char)mode;
        b[3] = (unsigned char)filler;
        std::memcpy(b + 4, &freq, sizeof freq);
        return KmdWrite(s, b, sizeof b);
    }

    bool Load(KMDSTREAM *s) {
        unsigned char b[12];
        if (!KmdRead(s, b, sizeof b)) return false;
        octave = (char)b[0];
        note = (signed char)b[1];
        mode = (char)b[2];
        filler = (char)b[3];
        std::memcpy(&freq, b + 4, sizeof freq);
        return true;
    }

    static const char *About() { return KMD_ABOUT("Sine, square, triangle and saw generator"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Генератор сигналов"), "Generator"); }
    static void Help() { kmd::Help(733); }
};
#pragma pack(pop)

KMD_FIELD_AT(Tonegen, octave, sizeof(MODULE))
KMD_FIELD_AT(Tonegen, note, sizeof(MODULE) + 1)
KMD_FIELD_AT(Tonegen, mode, sizeof(MODULE) + 2)
KMD_FIELD_AT(Tonegen, filler, sizeof(MODULE) + 3)
KMD_FIELD_AT(Tonegen, freq, sizeof(MODULE) + 4)
KMD_FIELD_AT(Tonegen, phase, sizeof(MODULE) + 12)
KMD_FIELD_AT(Tonegen, K, sizeof(MODULE) + 20)
static_assert(sizeof(Tonegen) == 164);

KMD_PLUGIN(Tonegen)
