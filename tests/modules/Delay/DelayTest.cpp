// The delay line through its entry point.
#include <limits>

#include "ModuleHost.h"

namespace {

using kmrtest::Near;

#pragma pack(push, 4)
struct DelayView : MODULE {
    double DelayTime;
    int32_t N;
    int32_t Pos;
    double *Buffer;
};
#pragma pack(pop)

class DelayTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Delay.kmd"); }

    // A running delay from net 1 to net 2.
    DelayView *Running(double seconds, int freq = 44100) {
        params.Freq = freq;
        auto *m = New<DelayView>();
        m->DelayTime = seconds;
        m->wirein[0] = 1;
        m->wireout = 2;
        EXPECT_TRUE(kmd::Start(type, m));
        return m;
    }
};

TEST_F(DelayTest, DeclaresItself) {
    ExpectFacts({"Delay.kmd", 160, {{0, 16}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0,
                 "Задержка сигнала", "Delay", 736});
    auto *m = New<DelayView>();
    EXPECT_EQ(m->DelayTime, 0.2);
    EXPECT_EQ(m->N, 0);
    EXPECT_EQ(m->Buffer, nullptr);
}

TEST_F(DelayTest, StartSizesTheRing) {
    struct Case {
        int freq;
        double seconds;
        int32_t n;
    } cases[] = {{44100, 0.2, 8820}, {11025, 0.2, 2205}, {22050, 1.0, 22050}, {44100, 1.0 / 44100, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        auto *m = Running(c.seconds, c.freq);
        EXPECT_EQ(m->N, c.n);
        EXPECT_EQ(m->Pos, 0);
        ASSERT_NE(m->Buffer, nullptr);
        EXPECT_EQ(m->Buffer[0], 0.0);
        EXPECT_EQ(m->Buffer[c.n - 1], 0.0);
        EXPECT_TRUE(kmd::Stop(type, m));
        EXPECT_EQ(m->Buffer, nullptr);
        EXPECT_EQ(m->N, 0);
    }
}

// A ring needs at least one slot and a length an int32 can count: anything
// else refuses the run, and the run's Stop and a stray Count stay harmless.
TEST_F(DelayTest, RefusesRingsThatCannotExist) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double seconds : {0.0, 0.00002, -1.0, -inf, double(NAN), inf, 1e9, 2147483648.0 / 44100}) {
        SCOPED_TRACE(seconds);
        auto *m = New<DelayView>();
        m->DelayTime = seconds;
        m->wirein[0] = 1;
        m->wireout = 2;
        val[2] = 7.0;
        EXPECT_FALSE(kmd::Start(type, m));
        EXPECT_EQ(m->Buffer, nullptr);
        kmd::Count(type, m, 0);
        EXPECT_EQ(val[2], 7.0);
        EXPECT_TRUE(kmd::Stop(type, m));
    }
}

TEST_F(DelayTest, ImpulseComesBackAfterExactlyNSamples) {
    auto *m = Running(0.2);
    const int n = 8820;
    for (int k = 0; k <= 2 * n; ++k) {
        val[1] = k == 0 ? 1000.0 : 0.0;
        kmd::Count(type, m, k);
        if (k == n)
            ASSERT_EQ(val[2], 1000.0);
        else
            ASSERT_EQ(val[2], 0.0) << "sample " << k;
    }
    EXPECT_TRUE(kmd::Stop(type, m));
}

TEST_F(DelayTest, GainAndLimitApplyToTheOutputOnly) {
    auto *m = Running(3.0, 1); // a ring of three samples
    m->amp = 200.0;
    val[1] = 30000.0;
    kmd::Count(type, m, 0);
    EXPECT_EQ(m->Buffer[0], 30000.0) << "the ring keeps the input unscaled";
    params.Limitation = false;
    val[1] = -30000.0;
    for (int k = 1; k < 3; ++k) kmd::Count(type, m, k);
    kmd::Count(type, m, 3);
    EXPECT_TRUE(Near(val[2], 60000.0));
    params.Limitation = true;
    kmd::Count(type, m, 4);
    EXPECT_EQ(val[2], -32768.0);
    EXPECT_TRUE(kmd::Stop(type, m));
}

// The output is written before the input is read, so an output wired to the
// own input is the next sample's input.
TEST_F(DelayTest, OutputIsFormedBeforeTheInputIsRead) {
    auto *m = Running(2.0, 1);
    m->wirein[0] = 2; // own output
    m->Buffer[0] = 5.0;
    double seen[6];
    for (int k = 0; k < 6; ++k) {
        kmd::Count(type, m, k);
        seen[k] = val[2];
    }
    EXPECT_EQ(seen[0], 5.0);
    EXPECT_EQ(seen[1], 0.0);
    EXPECT_EQ(seen[2], 5.0);
    EXPECT_EQ(seen[4], 5.0);
    EXPECT_TRUE(kmd::Stop(type, m));
}

TEST_F(DelayTest, SavesTheDelayTimeOnly) {
    auto *m = New<DelayView>();
    EXPECT_EQ(Saved(m), (std::vector<unsigned char>{0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xC9, 0x3F}));

    auto *running = Running(1.5);
    auto bytes = Saved(running);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0, 0, 0, 0, 0, 0, 0xF8, 0x3F})) << "1.5, nothing of the run";
    EXPECT_TRUE(kmd::Stop(type, running));

    auto *n = New<DelayView>();
    bytes.push_back(0xEE);
    kmrtest::MemoryStream in(bytes);
    ASSERT_TRUE(kmd::Load(type, n, &in.s));
    EXPECT_EQ(in.pos, 8u);
    EXPECT_EQ(n->DelayTime, 1.5);
    EXPECT_EQ(n->Buffer, nullptr);

    kmrtest::MemoryStream shortIn({0x9A, 0x99, 0x99});
    EXPECT_FALSE(kmd::Load(type, n, &shortIn.s));
    kmrtest::MemoryStream full;
    full.limit = 7;
    EXPECT_FALSE(kmd::Save(type, n, &full.s));
}

TEST_F(DelayTest, DescribesTheDelayTimeByLanguage) {
    auto *m = New<DelayView>();
    params.Lang = 2;
    kmd::Describe(type, m);
    EXPECT_STREQ(descr[2].Name, "Delay (sec)");
    EXPECT_EQ(descr[2].Type, _DOUBLE);
    EXPECT_EQ(descr[2].Param, &m->DelayTime);
    EXPECT_EQ(descr[3].Type, _NONE);
    params.Lang = 0;
    kmd::Describe(type, m);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), "Задержка (сек)");
}

// The ring belongs to the instance that started it: a copy of a running
// delay pastes as a stopped one, and each instance frees only its own ring.
TEST_F(DelayTest, PasteNeverSharesTheRing) {
    auto *a = Running(0.5);
    a->amp = 80.0;
    val[1] = 123.0;
    for (int k = 0; k < 10; ++k) kmd::Count(type, a, k);
    ASSERT_TRUE(kmd::Copy(type, a));
    auto atCopy = Bytes(a);

    auto *b = New<DelayView>();
    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(b->Buffer, nullptr);
    EXPECT_EQ(b->N, 0);
    EXPECT_EQ(b->Pos, 0);
    EXPECT_EQ(b->DelayTime, 0.5);
    auto pasted = Bytes(b);
    const size_t runFields = sizeof(MODULE) + sizeof(double); // up to N
    EXPECT_TRUE(std::equal(pasted.begin(), pasted.begin() + runFields, atCopy.begin()))
        << "everything but the run state is the copied instance";

    // Stopping both frees the ring once; the pasted one starts a ring of its own.
    EXPECT_TRUE(kmd::Stop(type, b));
    EXPECT_TRUE(kmd::Start(type, b));
    EXPECT_NE(b->Buffer, a->Buffer);
    EXPECT_EQ(b->Buffer[9], 0.0);
    EXPECT_EQ(a->Buffer[9], 123.0);
    EXPECT_TRUE(kmd::Stop(type, a));
    EXPECT_TRUE(kmd::Stop(type, b));
    EXPECT_EQ(a->Buffer, nullptr);

    // The copy buffer still pastes a stopped instance after the ring is gone.
    auto *c = New<DelayView>();
    ASSERT_TRUE(kmd::Paste(type, c));
    EXPECT_EQ(c->Buffer, nullptr);
    EXPECT_TRUE(kmd::Stop(type, c));
}

} // namespace
