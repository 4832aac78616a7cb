// Delay: a delay line. Outputs its input as it was DelayTime seconds earlier,
// scaled by the gain. The samples in flight live in a ring buffer that exists
// only from Start to Stop.
#include <cstddef>
#include <new>

#include "Skeleton.h"

#pragma pack(push, 4)
class Delay : public MODULE {
public:
    double DelayTime; // delay in seconds, the only field saved
    int32_t N;        // ring length in samples, set by Start
    int32_t Pos;      // the slot read and then overwritten by the next sample
    double *Buffer;   // the ring, owned from Start to Stop

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
        DelayTime = 0.2;
        N = 0;
        Pos = 0;
        Buffer = nullptr;
    }

    void Description() {
        Params->Descr[2].SetDouble(Params->Lang ? "Delay (sec)" : KMD_1251("Задержка (сек)"), DelayTime);
    }

    // The ring needs at least one slot and a length that is a real int32: a
    // delay of zero, a negative or NaN one, one shorter than a sample period,
    // or one too long to count refuses the run.
    bool Start() {
        Release(); // only ever a ring of this instance's own unstopped run
        double samples = Params->Freq * DelayTime;
        int32_t n = kmd::ToInt(samples);
        if (n < 1 || n == INT32_MAX) return false;
        Buffer = new (std::nothrow) double[(size_t)n];
        if (!Buffer) return false;
        for (int32_t i = 0; i < n; ++i) Buffer[i] = 0.0;
        N = n;
        Pos = 0;
        return true;
    }

    bool Stop() {
        Release();
        return true;
    }

    // The output is formed before the input is stored, so a sample entering
    // at k leaves at k + N and an output wired to the own input circulates.
    void Count(int) {
        if (!Buffer) return; // not running
        kmd::Output(this, kmd::Limit(Buffer[Pos] * amp * 0.01));
        Buffer[Pos] = kmd::Input(this, 0);
        if (++Pos >= N) Pos = 0;
    }

    // Eight bytes: DelayTime as a little-endian IEEE double.
    bool Save(KMDSTREAM *s) {
        KmdWrite(s, &DelayTime, sizeof DelayTime);
        return KmdGood(s);
    }
    bool Load(KMDSTREAM *s) {
        KmdRead(s, &DelayTime, sizeof DelayTime);
        return KmdGood(s);
    }

    // The ring belongs to the running instance alone: neither the copy buffer
    // nor a pasted instance ever holds its pointer.
    bool Copy() {
        kmd::DefaultCopy(this);
        _Copy<Delay>.ClearRun();
        return true;
    }
    bool Paste() {
        if (!kmd::DefaultPaste(this)) return false;
        ClearRun();
        return true;
    }

    static const char *About() { return KMD_ABOUT("Delay line"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Задержка сигнала"), "Delay"); }
    static void Help() { kmd::Help(736); }

private:
    void ClearRun() {
        Buffer = nullptr;
        N = 0;
        Pos = 0;
    }
    void Release() {
        delete[] Buffer;
        ClearRun();
    }
};
#pragma pack(pop)

// Own fields sit at fixed offsets behind MODULE. offsetof on a class derived
// from MODULE is conditionally supported; g++ supports it for this plain
// single inheritance.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(Delay, DelayTime) == sizeof(MODULE));
static_assert(offsetof(Delay, N) == sizeof(MODULE) + 8);
static_assert(offsetof(Delay, Pos) == sizeof(MODULE) + 12);
static_assert(offsetof(Delay, Buffer) == sizeof(MODULE) + 16);
#pragma GCC diagnostic pop
// 8 bytes more than the 32-bit layout: MODULE's picture pointer and the
// ring pointer are both 8 bytes wide.
static_assert(sizeof(Delay) == 160);

KMD_PLUGIN(Delay)
