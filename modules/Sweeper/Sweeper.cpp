// Controlled generator: a sine whose frequency follows the input sample by
// sample, x (Fmax - Fmin) / 32768 Hz for a control value x. A slow ramp on
// the input sweeps it, an audio signal modulates its frequency.
#include "Layout.h"
#include "Skeleton.h"

#pragma pack(push, 4)
class Sweeper : public MODULE {
public:
    double Fmin;  // lower frequency of the scale, Hz
    double Fmax;  // upper frequency of the scale, Hz
    double Phase; // running phase in radians; set by Start
    double K;     // 2 pi / sample rate; set by Start
    double S;     // hertz per unit of control, (Fmax - Fmin) / 32768; set by Start

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
        Fmin = 100.0;
        Fmax = 5000.0;
    }

    void Description() {
        Params->Descr[2].SetDouble(Params->Lang ? "Fmin (HZ)" : KMD_1251("Fmin (Гц)"), Fmin);
        Params->Descr[3].SetDouble(Params->Lang ? "Fmax (HZ)" : KMD_1251("Fmax (Гц)"), Fmax);
    }

    bool Start() {
        Phase = 0.0;
        if (Params->Freq == 0) Params->Freq = 44100; // the shared record itself
        K = 2.0 * 3.141592653589793 / Params->Freq;
        S = (Fmax - Fmin) * 0x1p-15;
        return true;
    }

    // The phase is never wrapped: a control of 0 holds the output, a
    // negative control runs the phase backwards.
    void Count(int) {
        double x = kmd::Input(this, 0);
        Phase = Phase + K * (x * S);
        double y = std::sin(Phase) * 327.67 * amp;
        kmd::Output(this, kmd::Limit(y));
    }

    // Fmin then Fmax, 16 bytes.
    bool Save(KMDSTREAM *s) {
        KmdWrite(s, &Fmin, sizeof Fmin);
        KmdWrite(s, &Fmax, sizeof Fmax);
        return KmdGood(s);
    }

    bool Load(KMDSTREAM *s) {
        double f[2];
        if (!KmdRead(s, f, sizeof f)) return false;
        Fmin = f[0];
        Fmax = f[1];
        return true;
    }

    static const char *About() { return KMD_ABOUT("Controlled sine generator"); }
    static const char *ToolTip() {
        return kmd::Tip(KMD_1251("Управляемый генератор синуса"), "Controlled tonegen generator");
    }
    static void Help() { kmd::Help(738); }
};
#pragma pack(pop)

KMD_FIELD_AT(Sweeper, Fmin, sizeof(MODULE))
KMD_FIELD_AT(Sweeper, Fmax, sizeof(MODULE) + 8)
KMD_FIELD_AT(Sweeper, Phase, sizeof(MODULE) + 16)
KMD_FIELD_AT(Sweeper, K, sizeof(MODULE) + 24)
KMD_FIELD_AT(Sweeper, S, sizeof(MODULE) + 32)
static_assert(sizeof(Sweeper) == 176);

KMD_PLUGIN(Sweeper)
