// Low-pass filter: a moving average over N = sample rate / Fs input samples,
// so a sine of the suppression frequency Fs (and of its multiples) averages
// out while low frequencies pass. The window holds the inputs truncated to
// integers and a running sum, so each sample costs the same work. The window
// buffer lives only from Start to Stop.
#include <cstdlib>

#include "Layout.h"
#include "Skeleton.h"

#pragma pack(push, 4)
class Filter : public MODULE {
public:
    double Fs;       // suppression frequency, Hz
    int32_t N;       // window length in samples; set by Start
    int32_t Pos;     // index of the oldest sample in the window
    int32_t *Buffer; // the window, N values; owned from Start to Stop
    double Sum;      // sum of the N values in the window

    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
        Fs = 1000.0;
    }

    void Description() {
        const char *label = Params->Lang ? "Suppression freq" : KMD_1251("Частота подавления");
        Params->Descr[2].SetDouble(label, Fs);
    }

    // Refuses the run when the window would hold no sample (Fs above the
    // sample rate, Fs 0 or negative, NaN) or more than an int32 can count.
    bool Start() {
        release(); // a run that was never stopped must not leak its window
        double n = (double)Params->Freq / Fs;
        if (!(n >= 1.0 && n < 2147483648.0)) return false;
        int32_t length = kmd::ToInt(n);
        // calloc gives the zero-filled window without touching every page.
        auto *buffer = static_cast<int32_t *>(std::calloc((size_t)length, sizeof(int32_t)));
        if (!buffer) return false;
        Buffer = buffer;
        N = length;
        return true;
    }

    void Count(int) {
        if (!Buffer) return; // not started
        double x = kmd::Input(this, 0);
        Sum -= Buffer[Pos];
        int32_t v = kmd::ToInt(x);
        Buffer[Pos] = v;
        Sum += v;
        double y = Sum / (uint32_t)N * amp * 0.01;
        if (++Pos == N) Pos = 0;
        kmd::Output(this, kmd::Limit(y));
    }

    bool Stop() {
        release();
        return true;
    }

    bool Save(KMDSTREAM *s) { return KmdWrite(s, &Fs, sizeof Fs); }

    bool Load(KMDSTREAM *s) {
        double fs;
        if (!KmdRead(s, &fs, sizeof fs)) return false;
        Fs = fs;
        return true;
    }

    // The window belongs to the instance that started the run: neither the
    // copy buffer nor a pasted instance ever holds it.
    bool Copy() {
        kmd::DefaultCopy(this);
        _Copy<Filter>.forgetRun();
        return true;
    }
    bool Paste() {
        if (!kmd::DefaultPaste(this)) return false;
        forgetRun();
        return true;
    }

    bool MouseDown(int) { return false; }

    static const char *About() { return KMD_ABOUT("Low-pass filter, moving average"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Фильтр НЧ"), "Low-pass filter"); }
    static void Help() { kmd::Help(739); }

private:
    void forgetRun() {
        Buffer = nullptr;
        N = Pos = 0;
        Sum = 0.0;
    }
    void release() {
        std::free(Buffer);
        forgetRun();
    }
};
#pragma pack(pop)

// The own fields sit behind MODULE in this order; Fs goes into project files.
KMD_FIELD_AT(Filter, Fs, sizeof(MODULE))
KMD_FIELD_AT(Filter, N, sizeof(MODULE) + 8)
KMD_FIELD_AT(Filter, Pos, sizeof(MODULE) + 12)
KMD_FIELD_AT(Filter, Buffer, sizeof(MODULE) + 16)
KMD_FIELD_AT(Filter, Sum, sizeof(MODULE) + 24)
// The window pointer is 8 bytes wide, so the block is 8 bytes longer than
// with 4-byte pointers.
static_assert(sizeof(Filter) == 168);

KMD_PLUGIN(Filter)
