// High-pass filter: adds a weighted first difference of the input to the
// input itself, y = x + Kd (x - previous x). The weight follows from the cut
// frequency Fl and the sample rate when a run starts.
#include "Layout.h"
#include "Skeleton.h"

#pragma pack(push, 4)
class Lowcut : public MODULE {
public:
    double Fl;   // lowest (cut) frequency, Hz
    double Kd;   // weight of the difference; set by Start
    double Prev; // previous input sample

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
        Fl = 1000.0;
    }

    void Description() {
        Params->Descr[2].SetDouble(Params->Lang ? "Lowest freq" : KMD_1251("Частота среза"), Fl);
    }

    // Kd = Freq / (3 Fl), formed in extended precision and rounded once.
    // Fl 0 gives an infinite weight; the output then is infinite or NaN,
    // which the limitation turns into full scale.
    bool Start() {
        Kd = (double)((long double)Params->Freq * (1.0L / 3.0L) / (long double)Fl);
        Prev = 0.0;
        return true;
    }

    void Count(int) {
        double x = kmd::Input(this, 0);
        double y = (1.0 + Kd) * x - Kd * Prev;
        Prev = x;
        y = y * amp * 0.01;
        kmd::Output(this, kmd::Limit(y));
    }

    bool Save(KMDSTREAM *s) { return KmdWrite(s, &Fl, sizeof Fl); }

    bool Load(KMDSTREAM *s) {
        double fl;
        if (!KmdRead(s, &fl, sizeof fl)) return false;
        Fl = fl;
        return true;
    }

    bool MouseDown(int) { return false; }

    static const char *About() { return KMD_ABOUT("High-pass filter, first difference"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Фильтр ВЧ"), "High-pass filter"); }
    static void Help() { kmd::Help(740); }
};
#pragma pack(pop)

KMD_FIELD_AT(Lowcut, Fl, sizeof(MODULE))
KMD_FIELD_AT(Lowcut, Kd, sizeof(MODULE) + 8)
KMD_FIELD_AT(Lowcut, Prev, sizeof(MODULE) + 16)
static_assert(sizeof(Lowcut) == 160);

KMD_PLUGIN(Lowcut)
