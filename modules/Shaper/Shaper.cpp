// Shaper: the nonlinearity. Passes its input through a drawn transfer curve
// of 200 points over the input range, joined by straight lines, and scales
// the result by the gain.
#include <cstddef>
#include <cstring>

#include "ShaperCurve.h"
#include "Skeleton.h"

// The library's own resource image (4-byte little-endian length, then the
// image), which carries the animation frames.
extern "C" const unsigned char KmrResources[];

#pragma pack(push, 4)
class Shaper : public MODULE {
public:
    signed char Curve[shaper::kPoints]; // the curve, the only field saved

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
        shaper::Identity(Curve);
    }

    void Count(int) {
        const double u = kmd::Input(this, 0) * shaper::kInputScale;
        const double y = shaper::Transfer(Curve, u) * shaper::kUnit * amp * 0.01;
        kmd::Output(this, kmd::Limit(y));
    }

    // Two hundred bytes: the curve.
    bool Save(KMDSTREAM *s) {
        KmdWrite(s, Curve, sizeof Curve);
        return KmdGood(s);
    }
    // A short read leaves the curve as it was.
    bool Load(KMDSTREAM *s) {
        signed char curve[sizeof Curve];
        if (!KmdRead(s, curve, sizeof curve)) return false;
        std::memcpy(Curve, curve, sizeof Curve);
        return true;
    }

    static const char *About() { return KMD_ABOUT("Nonlinearity: a drawn transfer curve"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Нелинейность"), "Unlinearity"); }
    static void Help() { kmd::Help(730); }

    // The animation frames live as long as the library.
    static void Attach() {
        const unsigned char *p = KmrResources;
        const size_t length = p[0] | (size_t)p[1] << 8 | (size_t)p[2] << 16 | (size_t)p[3] << 24;
        try {
            shaper::LoadFrames(p + 4, length);
        } catch (...) {
            shaper::ReleaseFrames(); // no memory for them: the animation shows nothing
        }
    }
    static void Detach() { shaper::ReleaseFrames(); }
};
#pragma pack(pop)

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(Shaper, Curve) == sizeof(MODULE));
#pragma GCC diagnostic pop
// 4 bytes more than the 32-bit layout: MODULE's picture pointer is 8 bytes wide.
static_assert(sizeof(Shaper) == 332 + 4);

KMD_PLUGIN(Shaper)
