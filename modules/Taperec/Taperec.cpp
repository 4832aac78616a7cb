// The mono tape recorder: records its input during a run into a 16-bit mono
// wave file "Taperec00.wav", "Taperec01.wav", ... and plays it back when its
// play button is pressed.
#include "WaveRecorder.h"

#pragma pack(push, 4)
class Taperec : public kmd::WaveRecorder {
public:
    void Create() {
        in[0].Set(0, 16);
        end.Set(63, 31);
        Handle = -1;
    }
    void Description() {
        Params->Descr[2].SetCharPtr(Params->Lang ? "FileName" : KMD_1251("Имя файла"), FileName, sizeof FileName);
    }
    bool Start() { return StartRecording("MTMP%04d.dat"); }
    void Count(int) {
        Record(Writer(), kmd::Input(this, 0));
        EndFrame();
    }
    bool Stop() { return StopRecording("Taperec%02d.wav", false); }
    // The play button on the right of the picture.
    bool MouseDown(int32_t locxy) { return kmd::PlayOnSpot(this, locxy, 54, 21, 61, 29, FileName, sizeof FileName); }

    static const char *About() { return KMD_ABOUT("Records its input into a mono wave file"); }
    static const char *ToolTip() { return kmd::Tip(KMD_1251("Магнитофон для записи"), "Mono Tape-recorder"); }
    static void Help() { kmd::Help(741); }
};
#pragma pack(pop)

static_assert(sizeof(Taperec) == 1168);

KMD_PLUGIN(Taperec)
