// The controlled generator through its entry point: frequency following the
// control input, the scale set by Fmin and Fmax, saved bytes.
#include "ModuleHost.h"

using kmrtest::MemoryStream;
using kmrtest::Near;

namespace {

#pragma pack(push, 4)
struct SweeperView : MODULE {
    double Fmin;
    double Fmax;
    double Phase;
    double K;
    double S;
};
#pragma pack(pop)

class SweeperTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Sweeper.kmd"); }

    // Samples 0 .. count-1 for a constant control on net 1, output on net 2.
    std::vector<double> Run(double control, int count, double fmin = 100.0, double fmax = 5000.0,
                            double amp = 100.0) {
        auto *s = New<SweeperView>();
        s->Fmin = fmin;
        s->Fmax = fmax;
        s->amp = amp;
        s->wirein[0] = 1;
        s->wireout = 2;
        val[1] = control;
        std::vector<double> out;
        EXPECT_TRUE(kmd::Start(type, s));
        for (int i = 0; i < count; ++i) {
            kmd::Count(type, s, i);
            out.push_back(val[2]);
        }
        kmd::Stop(type, s);
        return out;
    }
};

TEST_F(SweeperTest, DeclaresItself) {
    ExpectFacts({"Sweeper.kmd", 176, {{0, 16}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0,
                 "Управляемый генератор синуса", "Controlled tonegen generator", 738});
    auto *s = New<SweeperView>();
    EXPECT_EQ(s->Fmin, 100.0);
    EXPECT_EQ(s->Fmax, 5000.0);
    EXPECT_FALSE(kmd::MouseDown(type, s, KmdPackPoint(5, 20)));

    params.Lang = 0;
    kmd::Describe(type, s);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), "Fmin (Гц)");
    EXPECT_EQ(descr[2].Param, &s->Fmin);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[3].Name), "Fmax (Гц)");
    EXPECT_EQ(descr[3].Param, &s->Fmax);
    EXPECT_EQ(descr[3].Type, _DOUBLE);
    EXPECT_EQ(descr[4].Type, _NONE);
    params.Lang = 1;
    kmd::Describe(type, s);
    EXPECT_STREQ(descr[2].Name, "Fmin (HZ)");
    EXPECT_STREQ(descr[3].Name, "Fmax (HZ)");
}

// The frequency is control x (Fmax - Fmin) / 32768 Hz.
TEST_F(SweeperTest, FrequencyFollowsTheControl) {
    // Defaults, control 16384: 2450 Hz.
    auto out = Run(16384.0, 3);
    EXPECT_TRUE(Near(out[0], 11206.974036352187));
    EXPECT_TRUE(Near(out[1], 21062.221606598832));
    EXPECT_TRUE(Near(out[2], 28377.054405804698));

    // A negative control runs the phase backwards.
    auto back = Run(-16384.0, 3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Near(back[i], -out[i])) << i;

    // One hertz per unit of control: 441 Hz repeats every 100 samples.
    auto hz = Run(441.0, 101, 1000.0, 1000.0 + 32768.0);
    EXPECT_TRUE(Near(hz[0], 2057.456953417011));
    EXPECT_TRUE(Near(hz[24], 32767.0));
    EXPECT_TRUE(Near(hz[74], -32767.0));
    EXPECT_TRUE(Near(hz[100], hz[0]));

    // No frequency: a control of 0, or Fmin equal to Fmax, holds 0.0.
    for (double v : Run(0.0, 5)) EXPECT_EQ(v, 0.0);
    for (double v : Run(16384.0, 5, 700.0, 700.0)) EXPECT_EQ(v, 0.0);
}

TEST_F(SweeperTest, GainAndLimitation) {
    for (bool limit : {false, true}) {
        params.Limitation = limit;
        auto out = Run(16384.0, 3, 100.0, 5000.0, 200.0);
        EXPECT_TRUE(Near(out[0], 2 * 11206.974036352187));
        EXPECT_TRUE(Near(out[2], limit ? 32767.0 : 2 * 28377.054405804698));
        auto neg = Run(-16384.0, 3, 100.0, 5000.0, 200.0);
        EXPECT_TRUE(Near(neg[2], limit ? -32768.0 : -2 * 28377.054405804698));
    }
}

// A run started at sample rate 0 takes 44100 and leaves it in the shared record.
TEST_F(SweeperTest, ZeroSampleRateBecomes44100) {
    params.Freq = 0;
    auto out = Run(16384.0, 1);
    EXPECT_EQ(params.Freq, 44100);
    EXPECT_TRUE(Near(out[0], 11206.974036352187));
}

TEST_F(SweeperTest, SavesAndLoadsFminAndFmax) {
    auto *s = New<SweeperView>();
    EXPECT_EQ(Saved(s), (std::vector<unsigned char>{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x59, 0x40, 0x00, 0x00, 0x00,
                                                     0x00, 0x00, 0x88, 0xB3, 0x40}));
    s->Fmin = 20.5;
    s->Fmax = -3.0;
    auto bytes = Saved(s);
    auto *t = New<SweeperView>();
    MemoryStream in(bytes);
    ASSERT_TRUE(kmd::Load(type, t, &in.s));
    EXPECT_EQ(in.pos, 16u);
    EXPECT_EQ(t->Fmin, 20.5);
    EXPECT_EQ(t->Fmax, -3.0);

    // Fmin alone is not enough: the load fails and keeps both values.
    MemoryStream shortIn(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 12));
    auto *u = New<SweeperView>();
    EXPECT_FALSE(kmd::Load(type, u, &shortIn.s));
    EXPECT_EQ(u->Fmin, 100.0);
    EXPECT_EQ(u->Fmax, 5000.0);
    MemoryStream full;
    full.limit = 8;
    EXPECT_FALSE(kmd::Save(type, u, &full.s));
}

} // namespace
