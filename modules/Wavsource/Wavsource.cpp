// The wave-file source: plays one channel of a wave file into a calculation.
//
// At the start of a run the chosen channel is extracted into a temporary
// sample file ("FTMP0000.dat", ...) and, when asked, converted to the run's
// sample rate. From the start sample on, each calculation sample takes the
// next value of that file; before it, and after the end of the data, the
// output is silence.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "Skeleton.h"
#include "Sound.h"
#include "Wave.h"
#include "WaveBuffer.h"

namespace {

// Library-wide: the counter of temporary names (never reset while the library
// is loaded) and the read buffers of the running instances.
int tmpCounter = 0;
kmd::RunTable<kmd::SampleReader> readers;

void nextTmpName(char *name, size_t size) {
    std::snprintf(name, size, "FTMP%04d.dat", tmpCounter++);
    std::remove(name);
}

} // namespace

#pragma pack(push, 4)
class Wavsource : public MODULE {
public:
    char FileName[512]; // the wave file, NUL-terminated; relative to the current folder
    char TmpName[512];  // temporary sample file of the current or last run
    bool Right;         // play the right channel of a stereo file
    char Filler1[3];
    int32_t Handle;     // descriptor of the open temporary file, -1 outside a run
    double StartTime;   // seconds from the start of the run at which playing begins
    bool Convert;       // convert the file's sample rate to the run's
    char Filler2[3];
    int32_t StartSample; // StartTime in samples; the largest int32 once the data are used up

    // The bytes a project file holds, FileName .. StartSample, and where each
    // field lies among them.
    static constexpr size_t kSavedBytes = 1048;
    static constexpr size_t kRightAt = 1024, kFiller1At = 1025, kStartTimeAt = 1032, kConvertAt = 1040,
                            kFiller2At = 1041, kStartSampleAt = 1044;

    void Create() {
        out.Set(32, 16);
        end.Set(31, 31);
        Handle = -1;
        Convert = true;
    }
    void Description() {
        const bool en = Params->Lang != 0;
        Params->Descr[2].SetFilename(en ? "FileName" : KMD_1251("Имя файла"), FileName, sizeof FileName);
        Params->Descr[3].SetDouble(en ? "Start time (sec)" : KMD_1251("Старт (сек)"), StartTime);
        Params->Descr[4].SetBool(en ? "Right channel" : KMD_1251("Правый канал"), Right);
        Params->Descr[5].SetBool(en ? "Convert" : KMD_1251("Конвертировать"), Convert);
    }

    bool Start() {
        Finish(); // a run that was started again without being stopped
        Handle = -1;
        if (!Params) return false;
        FileName[sizeof FileName - 1] = 0;
        nextTmpName(TmpName, sizeof TmpName);
        kmd::WaveExtract x;
        if (!kmd::ExtractChannel(FileName, TmpName, Right ? kmd::kWaveRight : kmd::kWaveLeft, x)) return false;
        // Files at other rates than those of a calculation play unconverted.
        if (Convert && (int64_t)x.rate != Params->Freq && kmd::IsCalculationRate(x.rate)) {
            char work[sizeof TmpName];
            nextTmpName(work, sizeof work);
            if (!kmd::ConvertRate(TmpName, work, x.rate, Params->Freq, x.frames)) return Fail();
        }
        int fd = ::open(TmpName, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Fail();
        if (!readers.Add(this, fd)) {
            ::close(fd);
            return Fail();
        }
        Handle = fd;
        StartSample = kmd::ToInt(Params->Freq * StartTime);
        return true;
    }
    void Count(int cnt) {
        double y = 0.0;
        if (cnt >= StartSample) {
            int16_t v;
            kmd::SampleReader *r = readers.Find(this);
            if (r && r->Get(v))
                y = kmd::Limit(v * amp * 0.01);
            else
                StartSample = INT32_MAX; // the data are used up: silence from here on
        }
        kmd::Output(this, y);
    }
    // An instance that did not start in this run has nothing to end.
    bool Stop() {
        Finish();
        return true;
    }

    bool Save(KMDSTREAM *s) { return KmdWrite(s, FileName, kSavedBytes); }
    // Takes the saved bytes back; the working fields are reset, since no run
    // of this instance is going on, whatever the file holds.
    bool Load(KMDSTREAM *s) {
        unsigned char b[kSavedBytes];
        if (!KmdRead(s, b, sizeof b)) return false;
        std::memcpy(FileName, b, sizeof FileName);
        FileName[sizeof FileName - 1] = 0;
        Right = b[kRightAt] != 0;
        std::memcpy(Filler1, b + kFiller1At, sizeof Filler1);
        std::memcpy(&StartTime, b + kStartTimeAt, sizeof StartTime);
        Convert = b[kConvertAt] != 0;
        std::memcpy(Filler2, b + kFiller2At, sizeof Filler2);
        std::memcpy(&StartSample, b + kStartSampleAt, sizeof StartSample);
        ForgetRun();
        return true;
    }
    bool Paste() {
        if (!kmd::DefaultPaste(this)) return false;
        ForgetRun();
        return true;
    }
    // The play button in the lower left corner of the picture.
    bool MouseDown(int32_t locxy) { return kmd::PlayOnSpot(this, locxy, 2, 21, 10, 29, FileName, sizeof FileName); }

    static const char *About() { return KMD_ABOUT("Plays one channel of a wave file"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Звуковой файл"), "Sound File"); }
    static void Help() { kmd::Help(735); }

private:
    void ForgetRun() {
        Handle = -1;
        std::memset(TmpName, 0, sizeof TmpName);
    }
    // Closes and removes the temporary file of this instance's run, if any.
    void Finish() {
        if (!readers.Take(this)) return;
        ::close(Handle);
        Handle = -1;
        std::remove(TmpName);
    }
    // A start that fails leaves no temporary file behind.
    bool Fail() {
        std::remove(TmpName);
        Handle = -1;
        return false;
    }
};
#pragma pack(pop)

// The own fields lie behind MODULE exactly as project files hold them. (g++
// supports offsetof for this single inheritance; its warning is silenced just
// for the checks.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(Wavsource, FileName) == sizeof(MODULE));
static_assert(offsetof(Wavsource, TmpName) == sizeof(MODULE) + 512);
static_assert(offsetof(Wavsource, Right) == sizeof(MODULE) + Wavsource::kRightAt);
static_assert(offsetof(Wavsource, Filler1) == sizeof(MODULE) + Wavsource::kFiller1At);
static_assert(offsetof(Wavsource, Handle) == sizeof(MODULE) + 1028);
static_assert(offsetof(Wavsource, StartTime) == sizeof(MODULE) + Wavsource::kStartTimeAt);
static_assert(offsetof(Wavsource, Convert) == sizeof(MODULE) + Wavsource::kConvertAt);
static_assert(offsetof(Wavsource, Filler2) == sizeof(MODULE) + Wavsource::kFiller2At);
static_assert(offsetof(Wavsource, StartSample) == sizeof(MODULE) + Wavsource::kStartSampleAt);
#pragma GCC diagnostic pop
static_assert(sizeof(Wavsource) == 1180 + 4, "the designed size plus the wider MODULE");
static_assert(sizeof(Wavsource) - sizeof(MODULE) == Wavsource::kSavedBytes);

KMD_PLUGIN(Wavsource)
