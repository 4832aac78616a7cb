// The feedback amplifier through its entry point.
#include "ModuleHost.h"

namespace {

using kmrtest::Near;

#pragma pack(push, 4)
struct BackView : MODULE {
    bool Invert;
};
#pragma pack(pop)

class BackTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Back.kmd"); }
};

TEST_F(BackTest, DeclaresItself) {
    ExpectFacts({"Back.kmd", 140, {{32, 16}, {-1, -1}, {-1, -1}, {-1, -1}}, {0, 16}, matBACK,
                 "Усилитель обратной связи", "Feedback amplifier", 737});
    EXPECT_FALSE(New<BackView>()->Invert);
}

TEST_F(BackTest, AmplifiesInvertsAndLimits) {
    struct Case {
        double x;
        bool invert;
        double amp;
        bool limitation;
        double expected;
    } cases[] = {
        {1000, false, 100, true, 1000.0},
        {1000, true, 50, true, -500.0},
        {-32768, true, 100, true, 32767.0},
        {-32768, true, 100, false, 32768.0},
        {30000, false, 200, true, 32767.0},
        {30000, true, 200, true, -32768.0},
        {30000, false, 200, false, 60000.0},
        {-0.5, true, 1, false, 0.005},
    };
    auto *m = New<BackView>();
    m->wirein[0] = 11;
    m->wireout = 12;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(i);
        val[11] = c.x;
        m->Invert = c.invert;
        m->amp = c.amp;
        params.Limitation = c.limitation;
        kmd::Count(type, m, (int)i);
        EXPECT_TRUE(Near(val[12], c.expected));
    }
}

// A loop through the amplifier can be ordered: its output counts as known at
// the start of a sample and still holds the previous sample's value, so the
// adder ahead of it computes first and sees the loop one sample late.
TEST_F(BackTest, LoopThroughTheAmplifierIsOrderedAndComputed) {
    AVMODULES library(&params);
    library.SetFolder(KMR_PLUGIN_DIR);
    ASSERT_TRUE(library.LoadType("Plusbox.kmd"));
    ASSERT_TRUE(library.LoadType("Back.kmd"));
    MODULES scheme(library);
    int adder = scheme.AddInstance(library.GetType(0), 0);
    int back = scheme.AddInstance(library.GetType(1), 1);
    ASSERT_TRUE(adder && back);
    // adder: input 0 open, input 1 from the amplifier (net 3), output net 2;
    // amplifier: input net 2, output net 3, gain 50
    scheme[adder]->wirein[1] = 3;
    scheme[adder]->wireout = 2;
    scheme[back]->wirein[0] = 2;
    scheme[back]->wireout = 3;
    scheme[back]->amp = 50.0;
    ASSERT_EQ(scheme.Order(), 0);
    EXPECT_EQ(scheme[adder]->level, 1);
    EXPECT_EQ(scheme[back]->level, 2);

    val[3] = 1000.0; // what the amplifier gave at the previous sample
    const double adderOut[] = {1000.0, 500.0, 250.0, 125.0};
    for (int k = 0; k < 4; ++k) {
        for (int level = 1; level <= scheme.levels; ++level)
            for (int slot : {adder, back})
                if (scheme[slot]->level == level) scheme.CountInstance(slot, k);
        EXPECT_TRUE(Near(val[2], adderOut[k])) << "sample " << k;
        EXPECT_TRUE(Near(val[3], adderOut[k] / 2)) << "sample " << k;
    }
}

TEST_F(BackTest, SavesOneByteAndReadsItBack) {
    auto *m = New<BackView>();
    EXPECT_EQ(Saved(m), std::vector<unsigned char>{0x00});
    m->Invert = true;
    EXPECT_EQ(Saved(m), std::vector<unsigned char>{0x01});

    // Any non-zero byte reads as true and is written back as 1; the byte
    // behind stays unread.
    for (unsigned char stored : {0x01, 0x07, 0xFF}) {
        auto *n = New<BackView>();
        kmrtest::MemoryStream in({stored, 0xEE});
        ASSERT_TRUE(kmd::Load(type, n, &in.s));
        EXPECT_EQ(in.pos, 1u);
        EXPECT_EQ(Saved(n), std::vector<unsigned char>{0x01}) << int(stored);
    }
    kmrtest::MemoryStream zero({0x00});
    ASSERT_TRUE(kmd::Load(type, m, &zero.s));
    EXPECT_FALSE(m->Invert);

    kmrtest::MemoryStream empty;
    EXPECT_FALSE(kmd::Load(type, m, &empty.s));
    kmrtest::MemoryStream full;
    full.limit = 0;
    EXPECT_FALSE(kmd::Save(type, m, &full.s));
}

TEST_F(BackTest, DescribesInvertByLanguage) {
    auto *m = New<BackView>();
    params.Lang = 1;
    kmd::Describe(type, m);
    EXPECT_STREQ(descr[2].Name, "Inverted");
    EXPECT_EQ(descr[2].Type, _BOOL);
    EXPECT_EQ(descr[2].Param, &m->Invert);
    EXPECT_EQ(descr[3].Type, _NONE);
    ASSERT_TRUE(Activate(&descr[2], "false", m));
    EXPECT_TRUE(m->Invert);

    params.Lang = 0;
    kmd::Describe(type, m);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), "Инверсия");
}

TEST_F(BackTest, CopyAndPasteWholeInstance) {
    auto *a = New<BackView>();
    auto *b = New<BackView>();
    EXPECT_FALSE(kmd::Paste(type, b));
    a->Invert = true;
    a->amp = 75.0;
    ASSERT_TRUE(kmd::Copy(type, a));
    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(Bytes(b), Bytes(a));
    EXPECT_EQ(b->attr, matBACK);
}

} // namespace
