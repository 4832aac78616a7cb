// Plusbox: the adder. Sums its two inputs, scales the sum by the gain and
// always clips it to the 16-bit range, whatever the limitation switch says.
#include "Skeleton.h"

#pragma pack(push, 4)
class Plusbox : public MODULE {
public:
    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 8);
        in[1].Set(0, 24);
        out.Set(32, 16);
    }

    void Count(int) {
        double s = (kmd::Input(this, 0) + kmd::Input(this, 1)) * amp * 0.01;
        kmd::Output(this, kmd::Clip(s));
    }

    static const char *About() { return KMD_ABOUT("Adder of two signals"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Сумматор сигналов"), "Adder"); }
    static void Help() { kmd::Help(732); }
};
#pragma pack(pop)

// No own fields: an instance is the bare MODULE record.
static_assert(sizeof(Plusbox) == sizeof(MODULE));
static_assert(sizeof(Plusbox) == 136);

KMD_PLUGIN(Plusbox)
