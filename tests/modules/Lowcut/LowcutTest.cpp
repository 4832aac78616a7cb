// The high-pass filter through its entry point: the weight of the
// difference, the first-difference response, an infinite weight, saved bytes.
#include "ModuleHost.h"

using kmrtest::MemoryStream;
using kmrtest::Near;

namespace {

#pragma pack(push, 4)
struct LowcutView : MODULE {
    double Fl;
    double Kd;
    double Prev;
};
#pragma pack(pop)

class LowcutTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Lowcut.kmd"); }

    // A started instance reading net 1 and writing net 2.
    LowcutView *Running(double fl = 1000.0, double amp = 100.0) {
        auto *l = New<LowcutView>();
        l->Fl = fl;
        l->amp = amp;
        l->wirein[0] = 1;
        l->wireout = 2;
        EXPECT_TRUE(kmd::Start(type, l));
        return l;
    }
    double Step(LowcutView *l, double in) {
        val[1] = in;
        kmd::Count(type, l, 0);
        return val[2];
    }
};

TEST_F(LowcutTest, DeclaresItself) {
    ExpectFacts({"Lowcut.kmd", 160, {{0, 16}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0, "Фильтр ВЧ",
                 "High-pass filter", 740});
    auto *l = New<LowcutView>();
    EXPECT_EQ(l->Fl, 1000.0);
    EXPECT_FALSE(kmd::MouseDown(type, l, KmdPackPoint(5, 20)));

    params.Lang = 0;
    kmd::Describe(type, l);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), "Частота среза");
    EXPECT_EQ(descr[2].Type, _DOUBLE);
    EXPECT_EQ(descr[2].Param, &l->Fl);
    EXPECT_EQ(descr[3].Type, _NONE);
    params.Lang = 2;
    kmd::Describe(type, l);
    EXPECT_STREQ(descr[2].Name, "Lowest freq");
}

// y = x + Kd (x - previous x), Kd = sample rate / (3 Fl), times the gain.
TEST_F(LowcutTest, AddsTheWeightedDifference) {
    params.Limitation = false;
    auto *l = Running();
    EXPECT_TRUE(Near(l->Kd, 14.7));
    EXPECT_TRUE(Near(Step(l, 100.0), 1570.0)) << "the run starts from a previous input of 0";
    EXPECT_TRUE(Near(Step(l, 100.0), 100.0)) << "a constant passes";
    Step(l, 1000.0);
    for (int i = 0; i < 4; ++i) {
        double x = i % 2 ? 1000.0 : -1000.0;
        EXPECT_TRUE(Near(Step(l, x), x * 30.4)) << "alternating, sample " << i;
    }

    // The gain applies to the whole result; a new run forgets the last input.
    l->amp = 50.0;
    ASSERT_TRUE(kmd::Start(type, l));
    EXPECT_TRUE(Near(Step(l, 100.0), 785.0));
    EXPECT_TRUE(Near(Step(l, 100.0), 50.0));

    params.Freq = 11025;
    auto *slow = Running(525.0);
    EXPECT_TRUE(Near(slow->Kd, 7.0));
}

TEST_F(LowcutTest, Limitation) {
    for (bool limit : {false, true}) {
        params.Limitation = limit;
        auto *l = Running();
        Step(l, 40000.0);
        EXPECT_EQ(Step(l, 40000.0), limit ? 32767.0 : 40000.0);
        Step(l, -40000.0);
        EXPECT_EQ(Step(l, -40000.0), limit ? -32768.0 : -40000.0);
    }
}

// Fl 0 makes the weight infinite and the output NaN or infinite; the
// limitation turns NaN into -32768.0 instead of passing it on.
TEST_F(LowcutTest, ZeroCutFrequency) {
    params.Limitation = false;
    auto *l = Running(0.0);
    EXPECT_TRUE(std::isinf(l->Kd));
    EXPECT_TRUE(std::isnan(Step(l, 100.0)));
    EXPECT_TRUE(std::isnan(Step(l, 100.0)));
    EXPECT_EQ(Step(l, -200.0), -INFINITY);

    params.Limitation = true;
    ASSERT_TRUE(kmd::Start(type, l));
    EXPECT_EQ(Step(l, 100.0), -32768.0);
    EXPECT_EQ(Step(l, 100.0), -32768.0);
    EXPECT_EQ(Step(l, -200.0), -32768.0);
}

TEST_F(LowcutTest, SavesAndLoadsFl) {
    auto *l = New<LowcutView>();
    EXPECT_EQ(Saved(l), (std::vector<unsigned char>{0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x8F, 0x40}));

    l->Fl = 250.25;
    auto bytes = Saved(l);
    auto *m = New<LowcutView>();
    MemoryStream in(bytes);
    ASSERT_TRUE(kmd::Load(type, m, &in.s));
    EXPECT_EQ(m->Fl, 250.25);
    EXPECT_EQ(in.pos, 8u);

    MemoryStream shortIn(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 5));
    auto *n = New<LowcutView>();
    EXPECT_FALSE(kmd::Load(type, n, &shortIn.s));
    EXPECT_EQ(n->Fl, 1000.0);
}

} // namespace
