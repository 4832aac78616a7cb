// The low-pass filter through its entry point: window length, averaging,
// refused runs, the window's ownership across copy and paste, saved bytes.
#include <climits>

#include "ModuleHost.h"

using kmrtest::MemoryStream;
using kmrtest::Near;

namespace {

#pragma pack(push, 4)
struct FilterView : MODULE {
    double Fs;
    int32_t N;
    int32_t Pos;
    int32_t *Buffer;
    double Sum;
};
#pragma pack(pop)

class FilterTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Filter.kmd"); }

    // A started instance reading net 1 and writing net 2.
    FilterView *Running(double fs, int freq) {
        params.Freq = freq;
        auto *f = New<FilterView>();
        f->Fs = fs;
        f->wirein[0] = 1;
        f->wireout = 2;
        EXPECT_TRUE(kmd::Start(type, f));
        return f;
    }
};

TEST_F(FilterTest, DeclaresItself) {
    ExpectFacts({"Filter.kmd", 168, {{0, 16}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0, "Фильтр НЧ",
                 "Low-pass filter", 739});
    auto *f = New<FilterView>();
    EXPECT_EQ(f->Fs, 1000.0);
    EXPECT_EQ(f->N, 0);
    EXPECT_EQ(f->Buffer, nullptr);
    EXPECT_FALSE(kmd::MouseDown(type, f, KmdPackPoint(5, 20)));

    params.Lang = 0;
    kmd::Describe(type, f);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), "Частота подавления");
    EXPECT_EQ(descr[2].Type, _DOUBLE);
    EXPECT_EQ(descr[2].Param, &f->Fs);
    EXPECT_EQ(descr[3].Type, _NONE);
    params.Lang = 1;
    kmd::Describe(type, f);
    EXPECT_STREQ(descr[2].Name, "Suppression freq");
}

// A constant input: the average climbs by the truncated input / N per
// sample while the window fills, then holds the truncated input.
TEST_F(FilterTest, AveragesTheTruncatedInputOverTheWindow) {
    struct Case {
        int freq;
        double in;
        int n;
        double step;
    } cases[] = {{44100, 1000.7, 44, 1000.0}, {11025, 1000.7, 11, 1000.0}, {44100, -1000.7, 44, -1000.0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.freq);
        SCOPED_TRACE(c.in);
        auto *f = Running(1000.0, c.freq);
        EXPECT_EQ(f->N, c.n);
        val[1] = c.in;
        for (int i = 0; i < 3 * c.n; ++i) {
            kmd::Count(type, f, i);
            double expected = i < c.n ? c.step * (i + 1) / c.n : c.step;
            ASSERT_TRUE(Near(val[2], expected)) << "sample " << i;
        }
        EXPECT_TRUE(Near(val[2], c.step));
        EXPECT_TRUE(kmd::Stop(type, f));
        EXPECT_EQ(f->Buffer, nullptr);
        EXPECT_EQ(f->N, 0);
    }
    FilterView *first = Running(1000.0, 44100);
    val[1] = 1000.7;
    kmd::Count(type, first, 0);
    EXPECT_TRUE(Near(val[2], 22.727272727272727));
    kmd::Stop(type, first);
}

TEST_F(FilterTest, GainAndLimitation) {
    for (bool limit : {false, true}) {
        params.Limitation = limit;
        auto *f = Running(44100.0, 44100); // a window of one sample
        ASSERT_EQ(f->N, 1);
        f->amp = 200.0;
        val[1] = 30000.0;
        kmd::Count(type, f, 0);
        EXPECT_EQ(val[2], limit ? 32767.0 : 60000.0);
        val[1] = -30000.0;
        kmd::Count(type, f, 1);
        EXPECT_EQ(val[2], limit ? -32768.0 : -60000.0);
        kmd::Stop(type, f);
    }
}

// Inputs that no int32 holds are saturated, NaN counts as 0.
TEST_F(FilterTest, InputsBeyondTheIntegerRangeSaturate) {
    params.Limitation = false;
    struct Case {
        double in, out;
    } cases[] = {{NAN, 0.0},
                 {INFINITY, 2147483647.0},
                 {1e300, 2147483647.0},
                 {-INFINITY, -2147483648.0},
                 {-3e9, -2147483648.0},
                 {2147483646.9, 2147483646.0}};
    auto *f = Running(44100.0, 44100);
    for (const auto &c : cases) {
        val[1] = c.in;
        kmd::Count(type, f, 0);
        EXPECT_EQ(val[2], c.out) << c.in;
    }
    kmd::Stop(type, f);
}

// Without at least one sample in the window, or with more than an int32
// counts, the run is refused and nothing is left allocated.
TEST_F(FilterTest, RefusesWindowsItCannotHold) {
    struct Case {
        int freq;
        double fs;
    } cases[] = {{44100, 50000.0}, {44100, 0.0},  {44100, -0.0},     {44100, -1000.0}, {44100, NAN},
                 {44100, INFINITY}, {44100, 1e-300}, {44100, 1e-5}, {0, 1000.0}};
    for (const auto &c : cases) {
        params.Freq = c.freq;
        auto *f = New<FilterView>();
        f->Fs = c.fs;
        EXPECT_FALSE(kmd::Start(type, f)) << c.freq << " Hz, Fs " << c.fs;
        EXPECT_EQ(f->Buffer, nullptr);
        EXPECT_EQ(f->N, 0);
        kmd::Count(type, f, 0); // the host never does; still nothing happens
        EXPECT_TRUE(kmd::Stop(type, f));
    }
    auto *edge = Running(44100.0, 44100);
    EXPECT_EQ(edge->N, 1);
    kmd::Stop(type, edge);
}

// The window belongs to the instance that started the run: a copy taken
// while it runs pastes without it, and each instance frees only its own.
TEST_F(FilterTest, CopyAndPasteNeverShareTheWindow) {
    auto *b = New<FilterView>();
    EXPECT_FALSE(kmd::Paste(type, b)) << "nothing copied yet";

    auto *a = Running(2000.0, 44100);
    a->loc.Set(48, 64);
    std::strcpy(a->UserName, "smooth");
    val[1] = 500.0;
    kmd::Count(type, a, 0);
    ASSERT_NE(a->Buffer, nullptr);
    ASSERT_TRUE(kmd::Copy(type, a));

    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(b->Buffer, nullptr);
    EXPECT_EQ(b->N, 0);
    EXPECT_EQ(b->Pos, 0);
    EXPECT_EQ(b->Sum, 0.0);
    EXPECT_EQ(b->Fs, 2000.0);
    EXPECT_EQ(b->loc.x, 48);
    EXPECT_STREQ(b->UserName, "smooth");
    EXPECT_EQ(b->wirein[0], 1);

    // Both run on windows of their own and stop without touching the other's.
    ASSERT_TRUE(kmd::Start(type, b));
    EXPECT_NE(b->Buffer, a->Buffer);
    kmd::Count(type, b, 0);
    EXPECT_TRUE(kmd::Stop(type, a));
    EXPECT_TRUE(kmd::Stop(type, b));
    EXPECT_EQ(a->Buffer, nullptr);
    EXPECT_EQ(b->Buffer, nullptr);
}

TEST_F(FilterTest, SavesAndLoadsFs) {
    auto *f = New<FilterView>();
    EXPECT_EQ(Saved(f), (std::vector<unsigned char>{0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x8F, 0x40}));

    f->Fs = 123.5;
    auto bytes = Saved(f);
    auto *g = New<FilterView>();
    MemoryStream in(bytes);
    ASSERT_TRUE(kmd::Load(type, g, &in.s));
    EXPECT_EQ(g->Fs, 123.5);
    EXPECT_EQ(in.pos, 8u);

    // A short stream fails and leaves Fs as it was.
    MemoryStream shortIn(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 7));
    EXPECT_FALSE(kmd::Load(type, f, &shortIn.s));
    EXPECT_EQ(f->Fs, 123.5);
    MemoryStream full;
    full.limit = 4;
    EXPECT_FALSE(kmd::Save(type, f, &full.s));
}

} // namespace
