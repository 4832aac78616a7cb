// The wave-file source through its entry point, run in a temporary folder.
#include <fcntl.h>

#include "HostRun.h"
#include "ModuleHost.h"
#include "WaveKit.h"

namespace {

using namespace wavetest;

#pragma pack(push, 4)
struct SourceView : MODULE {
    char FileName[512];
    char TmpName[512];
    bool Right;
    char Filler1[3];
    int32_t Handle;
    double StartTime;
    bool Convert;
    char Filler2[3];
    int32_t StartSample;
};
#pragma pack(pop)

ByteList Samples16(const std::vector<int16_t> &values) {
    ByteList b;
    for (int16_t v : values) Put16(b, (uint16_t)v);
    return b;
}

// Names of the temporary sample files in the current folder.
std::vector<std::string> TmpFiles() {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("FTMP", 0) == 0) names.push_back(e.path().filename().string());
    return names;
}

class WavsourceTest : public kmrtest::ModuleHost {
protected:
    TempFolder folder;

    void SetUp() override {
        Load("Wavsource.kmd");
        params.Limitation = true;
    }

    // A placed source of `file` driving net 3.
    SourceView *Source(const char *file) {
        auto *m = New<SourceView>();
        m->loc.Set(16, 16);
        std::snprintf(m->FileName, sizeof m->FileName, "%s", file);
        m->wireout = 3;
        return m;
    }

    // The values of net 3 over a run of `samples` at `freq`.
    std::vector<double> Play(SourceView *m, int freq, int samples, bool *started = nullptr) {
        params.Freq = freq;
        std::vector<double> out;
        RunResult r = RunCalculation(params, {{&type, m}}, samples, {}, [&](int) { out.push_back(val[3]); });
        if (started) *started = r.started;
        EXPECT_TRUE(r.stopped[0]);
        EXPECT_EQ(m->Handle, -1);
        EXPECT_TRUE(TmpFiles().empty()) << "temporary files are removed";
        return out;
    }
};

TEST_F(WavsourceTest, DeclaresItself) {
    ExpectFacts({"Wavsource.kmd", 1184, {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0, "Звуковой файл",
                 "Sound File", 735});
    auto *m = New<SourceView>();
    EXPECT_EQ(m->Handle, -1);
    EXPECT_TRUE(m->Convert);
    EXPECT_FALSE(m->Right);
    EXPECT_EQ(m->StartTime, 0.0);
    EXPECT_STREQ(m->TmpName, "");

    struct Row {
        int type;
        void *param;
        const char *ru, *en;
    } rows[] = {{_FILENAME, m->FileName, "Имя файла", "FileName"},
                {_DOUBLE, &m->StartTime, "Старт (сек)", "Start time (sec)"},
                {_BOOL, &m->Right, "Правый канал", "Right channel"},
                {_BOOL, &m->Convert, "Конвертировать", "Convert"}};
    for (char lang : {0, 1}) {
        params.Lang = lang;
        kmd::Describe(type, m);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(descr[2 + i].Type, rows[i].type) << i;
            EXPECT_EQ(descr[2 + i].Param, rows[i].param) << i;
            EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2 + i].Name), lang ? rows[i].en : rows[i].ru);
        }
        EXPECT_EQ(descr[2].buflen, 512);
    }
}

TEST_F(WavsourceTest, RefusesARunWithoutAPlayableFile) {
    WriteFile("float.wav", Riff({Chunk("fmt ", Format(3, 1, 22050, 32)), Chunk("data", ByteList(8))}));
    WriteFile("text.wav", {'h', 'e', 'l', 'l', 'o'});
    for (const char *file : {"", "missing.wav", "float.wav", "text.wav"}) {
        SCOPED_TRACE(file);
        bool started = true;
        Play(Source(file), 22050, 1, &started);
        EXPECT_FALSE(started);
    }
}

TEST_F(WavsourceTest, StartTimeDelaysThePlaying) {
    WriteFile("in.wav", PcmWave(1, 22050, 16, Samples16({1000, -2000, 3000})));
    auto *m = Source("in.wav");
    m->StartTime = 1.5;
    m->amp = 50;
    std::vector<double> out = Play(m, 22050, 33080);
    EXPECT_EQ(m->StartSample, INT32_MAX) << "the data are used up";
    for (int cnt = 0; cnt < 33075; ++cnt) ASSERT_EQ(out[cnt], 0.0) << cnt;
    EXPECT_EQ(out[33075], 500.0);
    EXPECT_EQ(out[33076], -1000.0);
    EXPECT_EQ(out[33077], 1500.0);
    EXPECT_EQ(out[33078], 0.0) << "silence after the end of the data";
    EXPECT_EQ(out[33079], 0.0);
}

TEST_F(WavsourceTest, EightBitSamplesAndLimitation) {
    WriteFile("in.wav", PcmWave(1, 11025, 8, {128, 0, 255}));
    auto *m = Source("in.wav");
    EXPECT_EQ(Play(m, 11025, 3), (std::vector<double>{0.0, -32768.0, 32512.0}));
    m->amp = 200;
    EXPECT_EQ(Play(m, 11025, 3), (std::vector<double>{0.0, -32768.0, 32767.0}));
    params.Limitation = false;
    EXPECT_EQ(Play(m, 11025, 3), (std::vector<double>{0.0, -65536.0, 65024.0}));
}

TEST_F(WavsourceTest, RateConversion) {
    // 22050 Hz stereo, right channel, converted for a 44100 Hz run.
    WriteFile("stereo.wav", PcmWave(2, 22050, 16, Samples16({1, 100, 2, 200, 3, -300})));
    auto *m = Source("stereo.wav");
    m->Right = true;
    EXPECT_EQ(Play(m, 44100, 7), (std::vector<double>{50, 100, 150, 200, -50, -300, 0}));

    // Not converted: an 11025 Hz file plays one value per sample of a 44100 Hz
    // run, four times faster, and runs out four times sooner.
    WriteFile("slow.wav", PcmWave(1, 11025, 16, Samples16({4, 8})));
    auto *slow = Source("slow.wav");
    slow->Convert = false;
    EXPECT_EQ(Play(slow, 44100, 3), (std::vector<double>{4, 8, 0}));
    slow->Convert = true;
    EXPECT_EQ(Play(slow, 44100, 9), (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 0}));

    // A rate no calculation runs at is played as it is.
    WriteFile("odd.wav", PcmWave(1, 8000, 16, Samples16({7, 9})));
    EXPECT_EQ(Play(Source("odd.wav"), 22050, 3), (std::vector<double>{7, 9, 0}));

    // A run at a rate that is not a calculation rate cannot convert: refused.
    bool started = true;
    Play(Source("slow.wav"), 48000, 1, &started);
    EXPECT_FALSE(started);
}

// Files made by sox come back sample for sample through the source, left or
// right, also with a LIST chunk before their data.
TEST_F(WavsourceTest, PlaysFilesOfSox) {
    struct Case {
        int bits, channels, rate;
    } cases[] = {{16, 2, 22050}, {8, 2, 11025}, {16, 1, 44100}, {8, 1, 22050}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.channels) + " channels");
        ASSERT_TRUE(SoxWave("sox.wav", c.bits, c.channels, c.rate));
        WriteFile("list.wav", WithList(ReadFile("sox.wav"), "data"));
        const std::vector<int16_t> all = SoxValues("sox.wav");
        const size_t frames = all.size() / c.channels;
        for (bool right : {false, true}) {
            auto *m = Source("list.wav");
            m->Right = right;
            std::vector<double> out = Play(m, c.rate, (int)frames + 1);
            const size_t channel = right && c.channels == 2 ? 1 : 0;
            for (size_t i = 0; i < frames; ++i) ASSERT_EQ(out[i], all[i * c.channels + channel]) << i;
            EXPECT_EQ(out[frames], 0.0);
        }
    }
}

// What the recorder writes, the source plays back unchanged.
TEST_F(WavsourceTest, PlaysWhatTheRecorderWrote) {
    MODULE_TYPE tape;
    tape.Library = kmr::LoadLibrary(pluginPath("Taperec.kmd"));
    ASSERT_NE(tape.Library, nullptr);
    tape.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(tape.Library, KMD_ENTRY_NAME));
    kmd::SetParams(tape, &params);
    std::vector<unsigned char> block((size_t)kmd::Size(tape));
    auto *rec = reinterpret_cast<MODULE *>(block.data());
    rec->amp = 100.0;
    kmd::Create(tape, rec);

    SoxWave("sox.wav", 16, 1, 22050);
    auto *m = Source("sox.wav");
    rec->wirein[0] = m->wireout;
    params.Freq = 22050;
    RunResult r = RunCalculation(params, {{&type, m}, {&tape, rec}}, 2205);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(ReadValues("Taperec00.wav", 44), SoxValues("sox.wav"));
    kmr::UnloadLibrary(tape.Library);
}

TEST_F(WavsourceTest, ProjectBytes) {
    auto *m = Source("in.wav");
    m->Right = true;
    m->StartTime = 2.25;
    std::strcpy(m->TmpName, "FTMP0001.dat");
    ByteList saved = Saved(m);
    ASSERT_EQ(saved.size(), 1048u);
    const unsigned char *own = reinterpret_cast<const unsigned char *>(m) + 136;
    EXPECT_EQ(saved, ByteList(own, own + 1048)) << "the own fields as they are";

    // A file holding a name without an end, a running handle, a temporary
    // name and bools that are neither 0 nor 1.
    ByteList file = saved;
    std::fill(file.begin(), file.begin() + 512, 'a');
    file[1024] = 2;       // Right
    file[1028] = 7;       // Handle
    file[1040] = 0xFF;    // Convert
    auto *loaded = New<SourceView>();
    kmrtest::MemoryStream in(file);
    ASSERT_TRUE(kmd::Load(type, loaded, &in.s));
    EXPECT_EQ(in.pos, 1048u);
    EXPECT_EQ(std::string(loaded->FileName), std::string(511, 'a'));
    EXPECT_STREQ(loaded->TmpName, "");
    EXPECT_EQ(loaded->Handle, -1);
    EXPECT_EQ(loaded->StartTime, 2.25);
    ByteList again = Saved(loaded);
    EXPECT_EQ(again[1024], 1) << "Right";
    EXPECT_EQ(again[1040], 1) << "Convert";

    kmrtest::MemoryStream shortFile(ByteList(1000));
    EXPECT_FALSE(kmd::Load(type, New<SourceView>(), &shortFile.s));

    // A pasted source does not take over the run of the one copied.
    m->Handle = 4;
    ASSERT_TRUE(kmd::Copy(type, m));
    auto *pasted = New<SourceView>();
    ASSERT_TRUE(kmd::Paste(type, pasted));
    EXPECT_EQ(pasted->Handle, -1);
    EXPECT_STREQ(pasted->TmpName, "");
    EXPECT_STREQ(pasted->FileName, "in.wav");
    EXPECT_EQ(pasted->StartTime, 2.25);
}

// The host stops every instance, also those it never started because the
// run was refused before them: such an instance touches nothing.
TEST_F(WavsourceTest, StopWithoutStartDoesNothing) {
    WriteFile("keep.dat", {1, 2});
    int fd = ::open("keep.dat", O_RDONLY);
    ASSERT_GE(fd, 0);
    auto *m = Source("in.wav");
    std::strcpy(m->TmpName, "keep.dat");
    m->Handle = fd;
    EXPECT_TRUE(kmd::Stop(type, m));
    EXPECT_TRUE(Exists("keep.dat"));
    EXPECT_NE(fcntl(fd, F_GETFD), -1) << "a handle it does not own stays open";
    EXPECT_EQ(m->Handle, fd);
    ::close(fd);
}

TEST_F(WavsourceTest, PlaySpot) {
    auto *m = Source("in.wav");
    struct Case {
        int x, y;
        bool handled;
    } cases[] = {{2, 21, true}, {10, 29, true}, {11, 21, false}, {1, 21, false}, {2, 20, false}, {2, 30, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        played.clear();
        EXPECT_EQ(kmd::MouseDown(type, m, KmdPackPoint(c.x, c.y)), c.handled);
        EXPECT_EQ(played, c.handled ? std::vector<std::string>{"in.wav"} : std::vector<std::string>{});
    }
    m->loc.Set(-1, 0);
    EXPECT_FALSE(kmd::MouseDown(type, m, KmdPackPoint(2, 21)));
}

} // namespace
