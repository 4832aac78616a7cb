// Timesbox: the multiplier. Multiplies its two inputs on the 16-bit scale
// (two full-scale inputs of 32767 give 32767 at 100 per cent) and clips only
// while the calculation asks for limitation.
#include "Skeleton.h"

#pragma pack(push, 4)
class Timesbox : public MODULE {
public:
    // 1 / (32767 x 100): back to the 16-bit scale and from per cent to a factor.
    static constexpr double kScale = 1.0 / (32767.0 * 100.0);

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 8);
        in[1].Set(0, 24);
        out.Set(32, 16);
    }

    // Multiplied left to right: x1 x x2 x amp x scale.
    void Count(int) {
        double s = kmd::Input(this, 0) * kmd::Input(this, 1) * amp * kScale;
        kmd::Output(this, kmd::Limit(s));
    }

    static const char *About() { return KMD_ABOUT("Multiplier of two signals"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Умножитель сигналов"), "Multiplier"); }
    static void Help() { kmd::Help(731); }
};
#pragma pack(pop)

static_assert(Timesbox::kScale == 3.0518509475997192e-07);
// No own fields: an instance is the bare MODULE record.
static_assert(sizeof(Timesbox) == sizeof(MODULE));
static_assert(sizeof(Timesbox) == 136);

KMD_PLUGIN(Timesbox)
