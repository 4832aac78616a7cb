// The stereo disc recorder: records its left and right inputs during a run
// into a 16-bit stereo wave file "Cd00.wav", "Cd01.wav", ... and plays it back
// when its play button is pressed.
#include "WaveRecorder.h"

#pragma pack(push, 4)
class Stereorec : public kmd::WaveRecorder {
public:
    void Create() {
        in[0].Set(0, 8);  // left
        in[1].Set(0, 24); // right
        end.Set(31, 31);
        Handle = -1;
    }
    void Description() {
        Params->Descr[2].SetFilename(Params->Lang ? "FileName" : KMD_1251("Имя файла"), FileName, sizeof FileName);
    }
    bool Start() { return StartRecording("CTMP%04d.dat"); }
    // One frame: left, then right.
    void Count(int) {
        kmd::SampleWriter *w = Writer();
        Record(w, kmd::Input(this, 0));
        Record(w, kmd::Input(this, 1));
        EndFrame();
    }
    bool Stop() { return StopRecording("Cd%02d.wav", true); }
    // The play button in the lower right corner of the picture.
    bool MouseDown(int32_t locxy) { return kmd::PlayOnSpot(this, locxy, 22, 22, 30, 30, FileName, sizeof FileName); }

    static const char *About() { return KMD_ABOUT("Records two inputs into a stereo wave file"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Стерео компакт-диск"), "Stereo compact disk"); }
    static void Help() { kmd::Help(742); }
};
#pragma pack(pop)

static_assert(sizeof(Stereorec) == 1168);

KMD_PLUGIN(Stereorec)
