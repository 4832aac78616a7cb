// Small stand-in module types for the tests of the module library and the
// scheme. One source builds every stand-in; the build picks the pin layout
// and the about text with one of these definitions:
//   STAND_GEN      generator: no input, output (32, 16)
//   STAND_FILTER   filter: input (0, 16), output (32, 16)
//   STAND_REC      recorder: input (0, 16), no output
//   STAND_ADDER    adder: inputs (0, 8) and (0, 24), output (32, 16)
//   STAND_BACK     feedback module: input (32, 16), output (0, 16), matBACK
// and optionally one about text other than the usual one:
//   STAND_NEW_VERSION  the usual prefix, then another version
//   STAND_BAD_ABOUT    differs in the last of the 23 prefix characters
//   STAND_SHORT_ABOUT  only the first 16 prefix characters
//   STAND_NULL_ABOUT   About answers null
//
// Every stand-in counts its Start and Stop calls in its own fields, refuses
// Start when its UserName is "nostart", fails Stop when it is "nostop", and
// counts Destroy calls in Params->FileIndex, where the host can see them
// after the block is gone. Count writes the sum of the inputs (the
// generator: the sample number + 1) to the output.
#include <cstring>

#include "Plugin.h"

#if defined(STAND_NEW_VERSION)
#define STAND_ABOUT KMD_ABOUT_PREFIX " 5.1\nTest stand-in of a later version"
#elif defined(STAND_BAD_ABOUT)
#define STAND_ABOUT "KELMORAQUANTIBEX MODULX 4.0\nTest stand-in"
#elif defined(STAND_SHORT_ABOUT)
#define STAND_ABOUT "KELMORAQUANTIBEX"
#else
#define STAND_ABOUT KMD_ABOUT_PREFIX " 4.0\nTest stand-in"
#endif

#pragma pack(push, 4)
class Stand : public MODULE {
public:
    int32_t Started;
    int32_t Stopped;
    double Last; // the last value computed

    void Create() {
        end.Set(31, 31);
#if defined(STAND_GEN)
        out.Set(32, 16);
#elif defined(STAND_FILTER)
        in[0].Set(0, 16);
        out.Set(32, 16);
#elif defined(STAND_REC)
        in[0].Set(0, 16);
#elif defined(STAND_ADDER)
        in[0].Set(0, 8);
        in[1].Set(0, 24);
        out.Set(32, 16);
#elif defined(STAND_BACK)
        in[0].Set(32, 16);
        out.Set(0, 16);
        attr = matBACK;
#else
#error "choose a stand-in"
#endif
    }
    void Destroy() { ++Params->FileIndex; }
    void Count(int cnt) {
#if defined(STAND_GEN)
        double v = cnt + 1;
#else
        (void)cnt;
        double v = 0;
        for (int i = 0; i < 4; ++i)
            if (in[i].Valid()) v += Params->Val[wirein[i]];
#endif
        Last = v;
        if (wireout) Params->Val[wireout] = v;
    }
    bool Start() {
        ++Started;
        return std::strcmp(UserName, "nostart") != 0;
    }
    bool Stop() {
        ++Stopped;
        return std::strcmp(UserName, "nostop") != 0;
    }
    static const char *About() {
#ifdef STAND_NULL_ABOUT
        return nullptr;
#else
        return STAND_ABOUT;
#endif
    }
    static const char *ToolTip() {
#if defined(STAND_GEN)
        return "Generator";
#elif defined(STAND_FILTER)
        return "Filter";
#elif defined(STAND_REC)
        return "Recorder";
#elif defined(STAND_ADDER)
        return Params && Params->Lang ? "Adder" : KMD_1251("Сумматор");
#else
        return "Feedback";
#endif
    }
};
#pragma pack(pop)

KMD_PLUGIN(Stand)
