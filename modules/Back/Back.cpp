// Back: the feedback amplifier. Amplifies (and optionally inverts) its input.
// It marks itself matBACK, so its output counts as known at the start of each
// sample and a loop through it can be ordered; its picture runs backwards,
// input on the right edge and output on the left.
#include <cstddef>

#include "Skeleton.h"

#pragma pack(push, 4)
class Back : public MODULE {
public:
    bool Invert; // output the negated input
    // three filler bytes follow (4-byte packing)

    void Create() {
        end.Set(31, 31);
        in[0].Set(32, 16);
        out.Set(0, 16);
        attr |= matBACK;
        Invert = false;
    }

    void Description() {
        Params->Descr[2].SetBool(Params->Lang ? "Inverted" : KMD_1251("Инверсия"), Invert);
    }

    void Count(int) {
        double x = kmd::Input(this, 0);
        if (Invert) x = -x;
        kmd::Output(this, kmd::Limit(amp * x * 0.01));
    }

    // One byte: 1 or 0.
    bool Save(KMDSTREAM *s) {
        unsigned char b = Invert ? 1 : 0;
        KmdWrite(s, &b, 1);
        return KmdGood(s);
    }
    // Any non-zero byte reads as true, so the field always holds a valid bool.
    bool Load(KMDSTREAM *s) {
        unsigned char b = 0;
        if (!KmdRead(s, &b, 1)) return false;
        Invert = b != 0;
        return true;
    }

    static const char *About() { return KMD_ABOUT("Feedback amplifier"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Усилитель обратной связи"), "Feedback amplifier"); }
    static void Help() { kmd::Help(737); }
};
#pragma pack(pop)

// Own fields sit at fixed offsets behind MODULE. offsetof on a class derived
// from MODULE is conditionally supported; g++ supports it for this plain
// single inheritance.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(Back, Invert) == sizeof(MODULE));
#pragma GCC diagnostic pop
static_assert(sizeof(Back) == 140);

KMD_PLUGIN(Back)
