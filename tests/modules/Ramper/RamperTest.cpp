// The envelope generator through its entry point.
#include "ModuleHost.h"
#include "RamperCurve.h"

namespace {

using kmrtest::Near;

class RamperTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Ramper.kmd"); }

    // A new instance with output net 5, its curve replaced by `env`.
    MODULE *WithCurve(const unsigned char *env) {
        MODULE *m = New();
        std::memcpy(Own(m), env, ramper::kPoints);
        m->wireout = 5;
        return m;
    }
    double At(MODULE *m, int cnt) {
        val[5] = -1.0;
        kmd::Count(type, m, cnt);
        return val[5];
    }
};

TEST_F(RamperTest, DeclaresItself) {
    ExpectFacts({"Ramper.kmd", 180 + 4, {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0,
                 "Генератор огибающей", "Envelope generator", 734});
    MODULE *m = New();
    for (int i = 0; i < ramper::kPoints; ++i) EXPECT_EQ(Own(m)[i], 4 * i) << i;
}

TEST_F(RamperTest, NoRowsNoDialogYetNoPress) {
    MODULE *m = New();
    kmd::Describe(type, m);
    EXPECT_EQ(descr[2].Type, _NONE);
    const auto before = Bytes(m);
    kmd::Setup(type, m);
    EXPECT_FALSE(kmd::MouseDown(type, m, KmdPackPoint(5, 20)));
    EXPECT_EQ(type.Entry(fnMOUSEDOWN, m, KmdPackPoint(5, 20)), 0);
    EXPECT_EQ(Bytes(m), before);
}

TEST_F(RamperTest, DefaultRampOverFiveSeconds) {
    MODULE *m = New();
    m->wireout = 5;
    ASSERT_TRUE(kmd::Start(type, m));
    EXPECT_EQ(At(m, 0), 0.0);
    EXPECT_TRUE(Near(At(m, 110250), 12778.74)); // halfway along segment 19: level 78
    EXPECT_NEAR(At(m, 220499), 25557.364093, 5e-7);
    EXPECT_TRUE(kmd::Stop(type, m));

    // The gain is not applied.
    m->amp = 10.0;
    ASSERT_TRUE(kmd::Start(type, m));
    EXPECT_TRUE(Near(At(m, 110250), 12778.74));
    EXPECT_NEAR(At(m, 220499), 25557.364093, 5e-7);
}

TEST_F(RamperTest, PresetFallsFromItsFirstPoint) {
    unsigned char env[ramper::kPoints];
    ASSERT_TRUE(ramper::ApplyPreset(6, env));
    MODULE *m = WithCurve(env);
    ASSERT_TRUE(kmd::Start(type, m));
    EXPECT_TRUE(Near(At(m, 0), 31946.85));
    EXPECT_TRUE(Near(At(m, 110250), 15973.425));
}

TEST_F(RamperTest, RunLengthFollowsTheParameters) {
    // 2 s at 11025 Hz: 22050 samples, 565.38... to a segment; sample 565 is
    // just short of point 1.
    params.Freq = 11025;
    params.FullTime = 2.0;
    MODULE *m = New();
    m->wireout = 5;
    ASSERT_TRUE(kmd::Start(type, m));
    const double d = 22050.0 * (1.0 / 39.0);
    EXPECT_TRUE(Near(At(m, 565), 565 * 4 / d * 163.83));
    EXPECT_TRUE(Near(At(m, 22049), (152 + (22049 - 38 * d) * 4 / d) * 163.83));
}

TEST_F(RamperTest, LimitationAndEndsOfTheRun) {
    unsigned char env[ramper::kPoints];
    for (int i = 0; i < ramper::kPoints; ++i) env[i] = (unsigned char)(255 - i);
    MODULE *m = WithCurve(env);

    // Before Start the run has no length: the first point, nothing undefined.
    EXPECT_EQ(At(m, 0), 32767.0);
    params.Limitation = false;
    EXPECT_TRUE(Near(At(m, 0), 255 * 163.83));
    EXPECT_TRUE(Near(At(m, 100), 255 * 163.83));

    ASSERT_TRUE(kmd::Start(type, m));
    EXPECT_TRUE(Near(At(m, 0), 255 * 163.83));
    params.Limitation = true;
    EXPECT_EQ(At(m, 0), 32767.0);
    // Past the end of the run the last point holds.
    params.Limitation = false;
    for (int cnt : {220500, 220501, 1 << 30, INT32_MAX}) EXPECT_TRUE(Near(At(m, cnt), 216 * 163.83)) << cnt;
    EXPECT_TRUE(Near(At(m, -1), 255 * 163.83));

    // An unconnected output writes nothing, not even net 0.
    m->wireout = 0;
    val[0] = 0.0;
    kmd::Count(type, m, 10);
    EXPECT_EQ(val[0], 0.0);
}

TEST_F(RamperTest, SavesExactlyTheCurve) {
    MODULE *m = New();
    std::vector<unsigned char> ramp(ramper::kPoints);
    for (int i = 0; i < ramper::kPoints; ++i) ramp[i] = (unsigned char)(4 * i);
    EXPECT_EQ(Saved(m), ramp);

    // Another instance reads exactly those bytes and leaves the next record's.
    std::vector<unsigned char> file(ramper::kPoints);
    for (int i = 0; i < ramper::kPoints; ++i) file[i] = (unsigned char)(250 - 3 * i);
    file.push_back(0xEE);
    kmrtest::MemoryStream in(file);
    MODULE *n = New();
    ASSERT_TRUE(kmd::Load(type, n, &in.s));
    EXPECT_EQ(in.pos, (size_t)ramper::kPoints);
    EXPECT_EQ(std::vector<unsigned char>(Own(n), Own(n) + ramper::kPoints),
              std::vector<unsigned char>(file.begin(), file.end() - 1));
    EXPECT_EQ(Saved(n), std::vector<unsigned char>(file.begin(), file.end() - 1));

    // A file that ends early fails the load and leaves the curve alone.
    kmrtest::MemoryStream shortIn(std::vector<unsigned char>(ramper::kPoints - 1, 7));
    EXPECT_FALSE(kmd::Load(type, m, &shortIn.s));
    EXPECT_EQ(Saved(m), ramp);

    // A write that falls short fails the save.
    kmrtest::MemoryStream full;
    full.limit = 10;
    EXPECT_FALSE(kmd::Save(type, m, &full.s));
}

TEST_F(RamperTest, CopyAndPasteTheWholeInstance) {
    MODULE *fresh = New();
    EXPECT_FALSE(kmd::Paste(type, fresh)) << "nothing copied since the library was loaded";

    unsigned char env[ramper::kPoints];
    ramper::ApplyPreset(3, env);
    MODULE *a = WithCurve(env);
    a->amp = 42.0;
    a->loc.Set(64, 32);
    ASSERT_TRUE(kmd::Copy(type, a));
    const auto copied = Bytes(a);
    Own(a)[0] = 99;

    MODULE *b = New();
    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(Bytes(b), copied);
}

} // namespace
