// A plug-in used by the tests of the entry protocol: it exercises every
// function number and records what reached it.
#include <cstdio>

#include "Plugin.h"

#pragma pack(push, 4)
class Testmod : public MODULE {
public:
    int32_t Mode;       // own data that is saved
    double Factor;      // own data that is saved
    char Note[20];      // own data that is saved
    int32_t PressX, PressY; // last press decoded by MouseDown
    int32_t Started;    // Start/Stop balance
    int32_t SetupCalls;

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
        Mode = 3;
        Factor = 1.5;
        std::snprintf(Note, sizeof Note, "note");
        PressX = PressY = -1;
    }
    void Setup() { ++SetupCalls; }
    void Description() {
        Params->Descr[2].SetInt(Params->Lang ? "Mode" : KMD_1251("Режим"), Mode);
        Params->Descr[3].SetDouble(Params->Lang ? "Factor" : KMD_1251("Множитель"), Factor);
        Params->Descr[4].SetCharPtr(Params->Lang ? "Note" : KMD_1251("Заметка"), Note, sizeof Note);
    }
    // Output = input x Factor x gain, plus the sample number.
    void Count(int cnt) {
        double s = Params->Val[wirein[0]] * Factor * amp * 0.01 + cnt;
        if (wireout) Params->Val[wireout] = s;
    }
    bool Start() {
        ++Started;
        return Mode >= 0; // a negative mode refuses the run
    }
    bool Stop() {
        --Started;
        return true;
    }
    bool Save(KMDSTREAM *out) {
        KmdWrite(out, &Mode, sizeof Mode);
        KmdWrite(out, &Factor, sizeof Factor);
        KmdWrite(out, Note, sizeof Note);
        return KmdGood(out);
    }
    bool Load(KMDSTREAM *in) {
        KmdRead(in, &Mode, sizeof Mode);
        KmdRead(in, &Factor, sizeof Factor);
        KmdRead(in, Note, sizeof Note);
        Note[sizeof Note - 1] = 0;
        return KmdGood(in);
    }
    // Presses in the left half of the picture are handled here.
    bool MouseDown(int locxy) {
        PressX = KmdPointX(locxy);
        PressY = KmdPointY(locxy);
        return PressX < 16;
    }
    static const char *About() { return "KELMORAQUANTIBEX MODULE 4.0\nProtocol test module"; }
    static const char *ToolTip() { return Params && Params->Lang ? "Test module" : KMD_1251("Тестовый модуль"); }
};
#pragma pack(pop)

KMD_PLUGIN(Testmod)
