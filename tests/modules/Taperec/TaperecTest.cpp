// The mono tape recorder through its entry point, run in a temporary folder.
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <limits>

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

class TaperecTest : public kmrtest::ModuleHost {
protected:
    TempFolder folder;

    void SetUp() override {
        Load("Taperec.kmd");
        params.Freq = 22050;
        params.Limitation = false;
    }

    // A placed recorder listening to net 1.
    RecorderView *Recorder() {
        auto *m = New<RecorderView>();
        m->loc.Set(64, 32);
        m->wirein[0] = 1;
        return m;
    }
    RunResult Record(const std::vector<RecorderView *> &recorders, int samples,
                     const std::function<void(int)> &before = {}) {
        std::vector<Placed> order;
        for (RecorderView *m : recorders) order.push_back({&type, m});
        return RunCalculation(params, order, samples, before);
    }
};

TEST_F(TaperecTest, DeclaresItself) {
    EXPECT_EQ(kmd::Size(type), 1168);
    auto *m = New<RecorderView>();
    EXPECT_EQ(m->end.x, 63);
    EXPECT_EQ(m->end.y, 31);
    EXPECT_EQ(m->in[0].x, 0);
    EXPECT_EQ(m->in[0].y, 16);
    for (int i = 1; i < 4; ++i) EXPECT_FALSE(m->in[i].Valid());
    EXPECT_FALSE(m->out.Valid());
    EXPECT_EQ(m->attr, 0);
    EXPECT_EQ(m->Handle, -1);
    EXPECT_STREQ(m->FileName, "");
    EXPECT_EQ(m->Recorded, 0);

    const std::string about = kmd::About(type);
    const std::string head = KMD_ABOUT_PREFIX " 4.0\n";
    EXPECT_EQ(about.rfind(head, 0), 0u);
    EXPECT_LE(about.size() - head.size(), 48u);
    params.Lang = 0;
    EXPECT_EQ(kmr::Cp1251ToUtf8(kmd::ToolTip(type)), "Магнитофон для записи");
    params.Lang = 3;
    EXPECT_STREQ(kmd::ToolTip(type), "Mono Tape-recorder");
    EXPECT_EQ(HelpTopic(), 741);

    for (char lang : {0, 1}) {
        params.Lang = lang;
        descr[2] = {};
        kmd::Describe(type, m);
        EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), lang ? "FileName" : "Имя файла");
        EXPECT_EQ(descr[2].Type, _CHARPTR);
        EXPECT_EQ(descr[2].Param, m->FileName);
        EXPECT_EQ(descr[2].buflen, 512);
        EXPECT_EQ(descr[3].Type, _NONE);
    }

    kmr::ResourceImage res;
    ASSERT_TRUE(res.FromLibrary(type.Library));
    kmr::Picture bitmap, tool;
    ASSERT_TRUE(res.LoadPicture("BITMAP", bitmap));
    ASSERT_TRUE(res.LoadPicture("TOOL", tool));
    EXPECT_EQ(bitmap.width, 64);
    EXPECT_EQ(bitmap.height, 32);
    EXPECT_EQ(tool.width, 22);
    EXPECT_EQ(tool.height, 22);
    EXPECT_NE(bitmap.At(0, 16), bitmap.At(0, 0)) << "the input pin is drawn";
    for (const kmr::Picture *p : {&bitmap, &tool})
        EXPECT_LE(std::set<uint32_t>(p->pixels.begin(), p->pixels.end()).size(), 16u);
}

// Each input is gained, always clipped and truncated toward zero.
TEST_F(TaperecTest, RecordsSixteenBitValues) {
    struct Case {
        double input, amp;
        int16_t recorded;
    } cases[] = {
        {-12345.9, 100, -12345},
        {12345.9, 100, 12345},
        {20000, 200, 32767},
        {-40000, 100, -32768},
        {0.99, 100, 0},
        {-0.99, 100, 0},
        {1000, 50, 500},
        {std::numeric_limits<double>::infinity(), 100, 32767},
        {std::numeric_limits<double>::quiet_NaN(), 100, -32768},
    };
    std::vector<int16_t> expected;
    for (const Case &c : cases) expected.push_back(c.recorded);

    auto *m = Recorder();
    const int n = (int)std::size(cases);
    RunResult r = Record({m}, n, [&](int cnt) {
        m->amp = cases[cnt].amp;
        val[1] = cases[cnt].input;
    });
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(r.stopped[0]);
    EXPECT_STREQ(m->FileName, "Taperec00.wav");
    EXPECT_EQ(ReadValues("Taperec00.wav", 44), expected);
}

TEST_F(TaperecTest, TwoSecondsAt22050) {
    auto *m = Recorder();
    RunResult r = Record({m}, 2 * 22050, [&](int cnt) { val[1] = std::sin(cnt * 0.01) * 20000; });
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(r.stopped[0]);
    EXPECT_EQ(m->Recorded, 44100);
    EXPECT_EQ(m->Handle, -1);
    EXPECT_EQ(params.FileIndex, 1);

    ByteList w = ReadFile("Taperec00.wav");
    ASSERT_EQ(w.size(), 44u + 88200);
    EXPECT_EQ(Le32(w, 4), 88236u);
    EXPECT_EQ(Le32(w, 40), 88200u);
    EXPECT_EQ((int16_t)Le16(w, 44 + 2 * 100), (int16_t)(std::sin(100 * 0.01) * 20000));
    SoxInfo info;
    ASSERT_TRUE(Soxi("Taperec00.wav", info));
    EXPECT_EQ(info.rate, 22050);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bits, 16);
    EXPECT_EQ(info.frames, 44100);
    EXPECT_FALSE(Exists(m->TmpName)) << "the temporary file is removed";
}

TEST_F(TaperecTest, NumbersFilesWithinARunAndRestartsEachRun) {
    auto *a = Recorder();
    auto *b = Recorder();
    std::set<std::string> tmpNames;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        RunResult r = Record({a, b}, 10, [&](int) { val[1] = 100 * (run + 1); });
        ASSERT_TRUE(r.started);
        EXPECT_STREQ(a->FileName, "Taperec00.wav");
        EXPECT_STREQ(b->FileName, "Taperec01.wav");
        EXPECT_EQ(ReadValues("Taperec01.wav", 44), std::vector<int16_t>(10, (int16_t)(100 * (run + 1))))
            << "a new run overwrites the old file";
        tmpNames.insert(a->TmpName);
        tmpNames.insert(b->TmpName);
    }
    EXPECT_EQ(tmpNames.size(), 4u) << "temporary names are never reused";
    for (const std::string &name : tmpNames) {
        EXPECT_EQ(name.rfind("MTMP", 0), 0u) << name;
        EXPECT_EQ(name.size(), 12u) << name;
    }

    // A name typed into the inspector does not survive the next run.
    std::strcpy(a->FileName, "mine.wav");
    Record({a}, 1);
    EXPECT_STREQ(a->FileName, "Taperec00.wav");
}

// The host stops every instance, also those it never started because the
// run was refused before them: such an instance touches nothing.
TEST_F(TaperecTest, StopWithoutStartDoesNothing) {
    WriteFile("Taperec00.wav", {1, 2, 3});
    auto *m = Recorder();
    std::strcpy(m->TmpName, "MTMP9999.dat");
    WriteFile("MTMP9999.dat", {4, 5});
    const ByteList before = Bytes(m);
    params.FileIndex = 0;
    EXPECT_TRUE(kmd::Stop(type, m));
    EXPECT_EQ(params.FileIndex, 0) << "no file number drawn";
    EXPECT_EQ(ReadFile("Taperec00.wav"), (ByteList{1, 2, 3}));
    EXPECT_TRUE(Exists("MTMP9999.dat"));
    EXPECT_EQ(Bytes(m), before);

    // A second Stop after a run is the same.
    Record({m}, 5);
    EXPECT_TRUE(kmd::Stop(type, m));
    EXPECT_EQ(params.FileIndex, 1);
}

TEST_F(TaperecTest, RefusesTheRunWithoutATemporaryFile) {
    auto *m = Recorder();
    Record({m}, 1);
    int next = std::atoi(m->TmpName + 4) + 1;
    char blocked[32];
    std::snprintf(blocked, sizeof blocked, "MTMP%04d.dat", next);
    std::filesystem::create_directories(std::string(blocked) + "/inside");

    std::remove("Taperec00.wav");
    RunResult r = Record({m}, 1);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(m->Handle, -1);
    EXPECT_TRUE(r.stopped[0]);
    EXPECT_FALSE(Exists("Taperec00.wav"));
    EXPECT_EQ(params.FileIndex, 0);
}

// A recording that cannot be written whole makes Stop answer false and leaves
// no wave file: the process may write files of limited size only.
TEST_F(TaperecTest, FailedWritesAreReported) {
    struct Case {
        const char *what;
        rlim_t limit;
        int samples;
        bool atStop; // the limit comes only after the last sample
    } cases[] = {
        {"temporary file", 50000, 100000, false},   // 200000 bytes to the temporary file
        {"wave file", 200000 + 20, 100000, false},  // the samples fit, not with the header before them
        // Every sample has reached the file when the limit comes (they fill
        // whole buffers), so only the header is left to write.
        {"header", 20, 1 << 17, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("Taperec00.wav", {1});
        auto *m = Recorder();
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = c.limit;
        if (!c.atStop) setrlimit(RLIMIT_FSIZE, &small);
        RunResult r = RunCalculation(params, {{&type, m}}, c.samples, [&](int cnt) { val[1] = cnt % 1000; },
                                     [&](int cnt) {
                                         if (c.atStop && cnt == c.samples - 1) setrlimit(RLIMIT_FSIZE, &small);
                                     });
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
        ASSERT_TRUE(r.started);
        EXPECT_FALSE(r.stopped[0]);
        EXPECT_FALSE(Exists("Taperec00.wav"));
        EXPECT_FALSE(Exists(m->TmpName));
        EXPECT_EQ(FilesHere(), std::set<std::string>{});
    }
}

// The wave file holds the bytes the copying writer makes from the same values,
// with the same permissions, and no temporary file is left beside it.
TEST_F(TaperecTest, WaveFileEqualsTheCopiedOne) {
    std::vector<int16_t> values(3000);
    for (size_t i = 0; i < values.size(); ++i) values[i] = (int16_t)(uint16_t)(i * 40503u + 7);
    auto *m = Recorder();
    RunResult r = Record({m}, (int)values.size(), [&](int cnt) { val[1] = values[(size_t)cnt]; });
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(r.stopped[0]);
    EXPECT_EQ(FilesHere(), std::set<std::string>{"Taperec00.wav"});

    WriteValues("plain.dat", values);
    ASSERT_TRUE(kmd::WriteWaveFile("plain.dat", "copied.wav", false, 22050, (int64_t)values.size()));
    EXPECT_EQ(ReadFile("Taperec00.wav"), ReadFile("copied.wav"));
    EXPECT_EQ(std::filesystem::status("Taperec00.wav").permissions(), std::filesystem::status("copied.wav").permissions());
}

// An older wave file of the name gives way to the new one, whatever it is;
// files that share its contents or that it points to keep theirs.
TEST_F(TaperecTest, ReplacesAnOlderWaveFile) {
    namespace fs = std::filesystem;
    const ByteList old(10, 7);
    struct Case {
        const char *what;
        std::function<void()> make;
    } cases[] = {
        {"longer", [] { WriteFile("Taperec00.wav", ByteList(100000, 7)); }},
        {"read-only",
         [&] {
             WriteFile("Taperec00.wav", old);
             fs::permissions("Taperec00.wav", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         }},
        {"hard link",
         [&] {
             WriteFile("other.wav", old);
             fs::create_hard_link("other.wav", "Taperec00.wav");
         }},
        {"symbolic link",
         [&] {
             WriteFile("other.wav", old);
             fs::create_symlink("other.wav", "Taperec00.wav");
         }},
        {"empty folder", [] { fs::create_directory("Taperec00.wav"); }},
    };
    ByteList samples;
    for (int16_t v : {1, -2, 3, -4, 5}) Put16(samples, (uint16_t)v);
    const ByteList expected = PcmWave(1, 22050, 16, samples);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string &name : FilesHere()) fs::remove(name);
        c.make();
        auto *m = Recorder();
        RunResult r = Record({m}, 5, [&](int cnt) { val[1] = (cnt % 2 ? -1 : 1) * (cnt + 1); });
        EXPECT_TRUE(r.stopped[0]);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("Taperec00.wav")));
        EXPECT_EQ(ReadFile("Taperec00.wav"), expected);
        std::set<std::string> left = FilesHere();
        left.erase("other.wav");
        EXPECT_EQ(left, std::set<std::string>{"Taperec00.wav"}) << "the older file is gone";
        if (Exists("other.wav")) {
            EXPECT_EQ(ReadFile("other.wav"), old);
        }
    }
}

TEST_F(TaperecTest, PlaySpot) {
    auto *m = Recorder();
    Record({m}, 1);
    struct Case {
        int x, y;
        bool handled;
    } cases[] = {{54, 21, true}, {61, 29, true}, {57, 25, true}, {53, 21, false},
                 {62, 29, false}, {54, 20, false}, {61, 30, false}, {5, 20, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        played.clear();
        EXPECT_EQ(kmd::MouseDown(type, m, KmdPackPoint(c.x, c.y)), c.handled);
        EXPECT_EQ(played, c.handled ? std::vector<std::string>{"Taperec00.wav"} : std::vector<std::string>{});
    }
    played.clear();
    m->loc.Set(-1, -1);
    EXPECT_FALSE(kmd::MouseDown(type, m, KmdPackPoint(57, 25))) << "not placed";
    EXPECT_TRUE(played.empty());
}

// Nothing of a recorder goes into a project: after loading it names no file,
// and its play spot plays nothing.
TEST_F(TaperecTest, ProjectsHoldNothingOfTheRecorder) {
    auto *m = Recorder();
    Record({m}, 3);
    kmrtest::MemoryStream out;
    EXPECT_TRUE(kmd::Save(type, m, &out.s));
    EXPECT_TRUE(out.bytes.empty());

    auto *loaded = Recorder();
    std::strcpy(loaded->FileName, "Taperec00.wav");
    loaded->Handle = 5;
    kmrtest::MemoryStream in(ByteList{9, 9, 9});
    EXPECT_TRUE(kmd::Load(type, loaded, &in.s));
    EXPECT_EQ(in.pos, 0u);
    EXPECT_STREQ(loaded->FileName, "");
    EXPECT_EQ(loaded->Handle, -1);
    played.clear();
    EXPECT_TRUE(kmd::MouseDown(type, loaded, KmdPackPoint(57, 25)));
    EXPECT_TRUE(played.empty());
}

} // namespace
