// Ramper: the envelope generator. A source without inputs whose output
// follows a drawn curve of 40 points spread evenly over the whole run. The
// gain is kept (the dialog edits it) but not applied: a level v always gives
// v x 163.83.
#include <cstddef>
#include <cstring>

#include "RamperCurve.h"
#include "Skeleton.h"

#pragma pack(push, 4)
class Ramper : public MODULE {
public:
    unsigned char Env[ramper::kPoints]; // the curve, the only field saved
    double T;                           // length of the run in samples, set by Start

    void Create() {
        end.Set(31, 31);
        out.Set(32, 16);
        ramper::DefaultRamp(Env);
    }

    bool Start() {
        T = Params->Freq * Params->FullTime;
        return true;
    }

    void Count(int cnt) { kmd::Output(this, kmd::Limit(ramper::Level(Env, T, cnt))); }

    // Forty bytes: the curve.
    bool Save(KMDSTREAM *s) {
        KmdWrite(s, Env, sizeof Env);
        return KmdGood(s);
    }
    // A short read leaves the curve as it was.
    bool Load(KMDSTREAM *s) {
        unsigned char env[sizeof Env];
        if (!KmdRead(s, env, sizeof env)) return false;
        std::memcpy(Env, env, sizeof Env);
        return true;
    }

    static const char *About() { return KMD_ABOUT("Envelope generator: a drawn curve over the run"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Генератор огибающей"), "Envelope generator"); }
    static void Help() { kmd::Help(734); }
};
#pragma pack(pop)

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(Ramper, Env) == sizeof(MODULE));
static_assert(offsetof(Ramper, T) == sizeof(MODULE) + 40);
#pragma GCC diagnostic pop
// 4 bytes more than the 32-bit layout: MODULE's picture pointer is 8 bytes wide.
static_assert(sizeof(Ramper) == 180 + 4);

KMD_PLUGIN(Ramper)
