// The stereo disc recorder through its entry point, run in a temporary
// folder. What it shares with the mono recorder (clipping, numbering, runs
// that never started, failed writes) is tested there.
#include "HostRun.h"
#include "ModuleHost.h"
#include "Wave.h"
#include "WaveKit.h"

namespace {

using namespace wavetest;

#pragma pack(push, 4)
struct RecorderView : MODULE {
    char FileName[512];
    char TmpName[512];
    int32_t Handle;
    int32_t Recorded;
};
#pragma pack(pop)

class StereorecTest : public kmrtest::ModuleHost {
protected:
    TempFolder folder;

    void SetUp() override { Load("Stereorec.kmd"); }

    // A placed recorder listening to nets 1 (left) and 2 (right).
    RecorderView *Recorder() {
        auto *m = New<RecorderView>();
        m->loc.Set(0, 0);
        m->wirein[0] = 1;
        m->wirein[1] = 2;
        return m;
    }
};

TEST_F(StereorecTest, DeclaresItself) {
    ExpectFacts({"Stereorec.kmd", 1168, {{0, 8}, {0, 24}, {-1, -1}, {-1, -1}}, {-1, -1}, 0, "Стерео компакт-диск",
                 "Stereo compact disk", 742});
    auto *m = New<RecorderView>();
    EXPECT_EQ(m->Handle, -1);
    for (char lang : {0, 1}) {
        params.Lang = lang;
        kmd::Describe(type, m);
        EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), lang ? "FileName" : "Имя файла");
        EXPECT_EQ(descr[2].Type, _FILENAME);
        EXPECT_EQ(descr[2].Param, m->FileName);
        EXPECT_EQ(descr[2].buflen, 512);
    }
}

TEST_F(StereorecTest, OneSecondAt44100) {
    params.Freq = 44100;
    params.Limitation = true;
    auto *m = Recorder();
    RunResult r = RunCalculation(params, {{&type, m}}, 44100, [&](int cnt) {
        val[1] = cnt % 2 ? 40000.0 : -1234.5;
        val[2] = -cnt % 30000;
    });
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(r.stopped[0]);
    EXPECT_EQ(m->Recorded, 44100) << "frames, not values";
    EXPECT_STREQ(m->FileName, "Cd00.wav");

    ByteList w = ReadFile("Cd00.wav");
    ASSERT_EQ(w.size(), 44u + 176400);
    EXPECT_EQ(Le16(w, 22), 2);
    EXPECT_EQ(Le32(w, 24), 44100u);
    EXPECT_EQ(Le32(w, 28), 176400u);
    EXPECT_EQ(Le16(w, 32), 4);
    EXPECT_EQ(Le32(w, 40), 176400u);
    std::vector<int16_t> v = Values(w, 44);
    for (int cnt : {0, 1, 2, 44099}) {
        EXPECT_EQ(v[2 * cnt], cnt % 2 ? 32767 : -1234) << cnt;
        EXPECT_EQ(v[2 * cnt + 1], -cnt % 30000) << cnt;
    }
    SoxInfo info;
    ASSERT_TRUE(Soxi("Cd00.wav", info));
    EXPECT_EQ(info.rate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bits, 16);
    EXPECT_EQ(info.frames, 44100);
}

// The wave file holds the bytes the copying writer makes from the same values,
// with the same permissions, and no temporary file is left beside it.
TEST_F(StereorecTest, WaveFileEqualsTheCopiedOne) {
    params.Freq = 22050;
    std::vector<int16_t> values(2 * 1500); // left, right
    for (size_t i = 0; i < values.size(); ++i) values[i] = (int16_t)(uint16_t)(i * 40503u + 7);
    auto *m = Recorder();
    RunResult r = RunCalculation(params, {{&type, m}}, 1500, [&](int cnt) {
        val[1] = values[2 * (size_t)cnt];
        val[2] = values[2 * (size_t)cnt + 1];
    });
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(r.stopped[0]);
    EXPECT_EQ(FilesHere(), std::set<std::string>{"Cd00.wav"});

    WriteValues("plain.dat", values);
    ASSERT_TRUE(kmd::WriteWaveFile("plain.dat", "copied.wav", true, 22050, (int64_t)values.size()));
    EXPECT_EQ(ReadFile("Cd00.wav"), ReadFile("copied.wav"));
    EXPECT_EQ(std::filesystem::status("Cd00.wav").permissions(), std::filesystem::status("copied.wav").permissions());
}

TEST_F(StereorecTest, UnconnectedRightIsSilence) {
    params.Freq = 11025;
    auto *m = Recorder();
    m->wirein[1] = 0;
    val[1] = 777;
    RunResult r = RunCalculation(params, {{&type, m}}, 3, [&](int) { val[1] = 777; });
    ASSERT_TRUE(r.started);
    EXPECT_EQ(ReadValues("Cd00.wav", 44), (std::vector<int16_t>{777, 0, 777, 0, 777, 0}));
}

// Both recorders draw their numbers from the one counter of the run.
TEST_F(StereorecTest, SharesNumberingWithTheMonoRecorder) {
    MODULE_TYPE mono;
    mono.Library = kmr::LoadLibrary(pluginPath("Taperec.kmd"));
    ASSERT_NE(mono.Library, nullptr);
    mono.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(mono.Library, KMD_ENTRY_NAME));
    kmd::SetParams(mono, &params);
    std::vector<unsigned char> block((size_t)kmd::Size(mono));
    auto *tape = reinterpret_cast<MODULE *>(block.data());
    tape->amp = 100.0;
    kmd::Create(mono, tape);
    tape->wirein[0] = 1;
    auto *cd = Recorder();

    RunResult r = RunCalculation(params, {{&mono, tape}, {&type, cd}}, 100, [&](int) { val[1] = val[2] = 5; });
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(Exists("Taperec00.wav"));
    EXPECT_TRUE(Exists("Cd01.wav"));
    EXPECT_EQ(params.FileIndex, 2);

    RunCalculation(params, {{&type, cd}, {&mono, tape}}, 100);
    EXPECT_TRUE(Exists("Cd00.wav"));
    EXPECT_TRUE(Exists("Taperec01.wav"));
    kmr::UnloadLibrary(mono.Library);
}

TEST_F(StereorecTest, PlaySpot) {
    auto *m = Recorder();
    RunCalculation(params, {{&type, m}}, 1);
    struct Case {
        int x, y;
        bool handled;
    } cases[] = {{22, 22, true}, {30, 30, true}, {21, 22, false}, {22, 21, false}, {31, 30, false}, {30, 31, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        played.clear();
        EXPECT_EQ(kmd::MouseDown(type, m, KmdPackPoint(c.x, c.y)), c.handled);
        EXPECT_EQ(played, c.handled ? std::vector<std::string>{"Cd00.wav"} : std::vector<std::string>{});
    }
}

} // namespace
