// What the mono and the stereo recorder share: their fields and their run.
//
// During a run the recorder appends its input, gained, clipped and truncated
// to 16 bits, to a temporary sample file ("MTMP0000.dat", ...), behind the
// first kWaveHeaderBytes bytes, which it keeps free. At Stop it writes the
// wave header there and renames the file to a numbered wave file in the
// current folder, drawing the number from PARAMS.FileIndex; the samples are
// not copied. Nothing of the recorder's own fields goes into project files.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "Skeleton.h"
#include "Sound.h"
#include "Wave.h"
#include "WaveBuffer.h"

namespace kmd {

// Library-wide: the counter of temporary names (never reset while the library
// is loaded) and the buffers of the running instances.
inline int RecorderTmpCounter = 0;
inline RunTable<SampleWriter> RecorderWriters;

#pragma pack(push, 4)
class WaveRecorder : public MODULE {
public:
    char FileName[512]; // the last wave file written, NUL-terminated
    char TmpName[512];  // temporary sample file of the current or last run
    int32_t Handle;     // descriptor of the open temporary file, -1 when none
    int32_t Recorded;   // frames recorded in the current or last run

    // Writes nothing of its own into a project.
    bool Save(KMDSTREAM *) { return true; }
    // Reads nothing; a loaded recorder names no file until it records again.
    bool Load(KMDSTREAM *) {
        Handle = -1;
        FileName[0] = 0;
        return true;
    }

protected:
    // Opens a new temporary file named from `tmpFormat` and the library's
    // counter, placed to write behind the free space of the header. False
    // (refusing the run) when it cannot be made.
    bool StartRecording(const char *tmpFormat) {
        Abandon();
        Recorded = 0;
        Handle = -1;
        std::snprintf(TmpName, sizeof TmpName, tmpFormat, RecorderTmpCounter++);
        std::remove(TmpName);
        // The file becomes the wave file, so it is made as any new file is:
        // read and write for all, less the umask.
        int fd = ::open(TmpName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                        S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH);
        if (fd < 0) return false;
        if (::lseek(fd, kWaveHeaderBytes, SEEK_SET) != (off_t)kWaveHeaderBytes || !RecorderWriters.Add(this, fd)) {
            ::close(fd);
            std::remove(TmpName);
            return false;
        }
        Handle = fd;
        return true;
    }

    // The buffer of this instance's run; null when it did not start.
    SampleWriter *Writer() const { return RecorderWriters.Find(this); }

    // Records one value of a frame: gain, always clipped, truncated toward 0.
    void Record(SampleWriter *w, double input) {
        int16_t v = (int16_t)(int32_t)Clip(input * amp * 0.01);
        if (w) w->Put(v);
    }
    void EndFrame() { Recorded = (int32_t)((uint32_t)Recorded + 1); }

    // Ends the run: names the wave file from `waveFormat` and FileIndex and
    // makes the temporary file that wave file (replacing an older one). An
    // instance that did not start in this run does nothing. False when the
    // recording could not be written whole; neither file is left then.
    bool StopRecording(const char *waveFormat, bool stereo) {
        std::unique_ptr<SampleWriter> w = RecorderWriters.Take(this);
        if (!w) return true;
        bool ok = w->Flush();
        if (::close(Handle) != 0) ok = false;
        Handle = -1;
        const int index = Params ? Params->FileIndex++ : 0;
        std::snprintf(FileName, sizeof FileName, waveFormat, index);
        const int32_t rate = Params ? Params->Freq : 0;
        const int64_t values = (int64_t)(uint32_t)Recorded * (stereo ? 2 : 1);
        if (ok && rate > 0) return FinishWaveFile(TmpName, FileName, stereo, (uint32_t)rate, values);
        std::remove(FileName);
        std::remove(TmpName);
        return false;
    }

private:
    // Drops a run that was started again without being stopped.
    void Abandon() {
        if (!RecorderWriters.Take(this)) return;
        if (Handle >= 0) ::close(Handle);
        Handle = -1;
        std::remove(TmpName);
    }
};
#pragma pack(pop)

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(WaveRecorder, FileName) == sizeof(MODULE));
static_assert(offsetof(WaveRecorder, TmpName) == sizeof(MODULE) + 512);
static_assert(offsetof(WaveRecorder, Handle) == sizeof(MODULE) + 1024);
static_assert(offsetof(WaveRecorder, Recorded) == sizeof(MODULE) + 1028);
#pragma GCC diagnostic pop
static_assert(sizeof(WaveRecorder) == 1164 + 4, "the designed size plus the wider MODULE");

} // namespace kmd
