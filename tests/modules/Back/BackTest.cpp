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

// The amplifier's output net keeps last sample's value while the modules
// ahead of it compute: a loop through it sums up one sample late.
TEST_F(BackTest, LoopCarriesThePreviousSample) {
    MODULE_TYPE adder;
    adder.Library = kmr::LoadLibrary(pluginPath("Plusbox.kmd"));
    ASSERT_NE(adder.Library, nullptr) << kmr::LibraryError();
    adder.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(adder.Library, KMD_ENTRY_NAME));
    kmd::SetParams(adder, &params);
    blocks.emplace_back(kmd::Size(adder));
    auto *sum = reinterpret_cast<MODULE *>(blocks.back().data());
    sum->amp = 100.0;
    kmd::Create(adder, sum);

    auto *back = New<BackView>();
    back->amp = 50.0;
    // net 1: a constant source, net 2: the adder's output, net 3: the amplifier's output
    sum->wirein[0] = 1;
    sum->wirein[1] = 3;
    sum->wireout = 2;
    back->wirein[0] = 2;
    back->wireout = 3;
    val[1] = 1000.0;
    double expected[] = {1000.0, 1500.0, 1750.0, 1875.0};
    for (int k = 0; k < 4; ++k) {
        kmd::Count(adder, sum, k);
        kmd::Count(type, back, k);
        EXPECT_TRUE(Near(val[2], expected[k])) << "sample " << k;
    }
    kmr::UnloadLibrary(adder.Library);
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
