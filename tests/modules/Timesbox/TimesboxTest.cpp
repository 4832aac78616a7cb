// The multiplier through its entry point.
#include <optional>

#include "ModuleHost.h"

namespace {

using kmrtest::Near;

class TimesboxTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Timesbox.kmd"); }
};

TEST_F(TimesboxTest, DeclaresItself) {
    ExpectFacts({"Timesbox.kmd", 136, {{0, 8}, {0, 24}, {-1, -1}, {-1, -1}}, {32, 16}, 0,
                 "Умножитель сигналов", "Multiplier", 731});
}

TEST_F(TimesboxTest, MultipliesOnTheSampleScaleAndClipsOnlyWhenLimited) {
    const std::optional<double> open; // an unconnected input
    struct Case {
        std::optional<double> x1, x2;
        double amp;
        bool limitation;
        double expected;
    } cases[] = {
        {32767.0, 32767.0, 100, true, 32767.0},
        {16384.0, 32767.0, 200, false, 32768.0},
        {16384.0, 32767.0, 200, true, 32767.0},
        {-32768.0, -32768.0, 100, false, 32768.0 * 32768.0 / 32767.0},
        {-32768.0, -32768.0, 100, true, 32767.0},
        {-32768.0, 32767.0, 200, false, -65536.0},
        {-32768.0, 32767.0, 200, true, -32768.0},
        {1000.0, -32767.0, 50, true, -500.0},
        {1000.0, open, 100, false, 0.0},
        {open, 1000.0, 100, false, 0.0},
        {NAN, 1.0, 100, true, -32768.0}, // clipping turns NaN into the lower end
    };
    auto *m = New();
    m->wireout = 2;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(i);
        m->wirein[0] = c.x1 ? 5 : 0;
        m->wirein[1] = c.x2 ? 6 : 0;
        val[5] = c.x1.value_or(-1.0);
        val[6] = c.x2.value_or(-1.0);
        m->amp = c.amp;
        params.Limitation = c.limitation;
        kmd::Count(type, m, (int)i);
        EXPECT_TRUE(Near(val[2], c.expected));
    }

    // Without limitation nothing is clipped, not even NaN.
    params.Limitation = false;
    m->wirein[0] = 5;
    m->wirein[1] = 6;
    val[5] = NAN;
    kmd::Count(type, m, 0);
    EXPECT_TRUE(std::isnan(val[2]));
}

TEST_F(TimesboxTest, UnconnectedOutputWritesNothing) {
    auto *m = New();
    m->wirein[0] = m->wirein[1] = 1;
    val[1] = 500.0;
    auto before = std::vector<double>(val, val + kNetCount);
    kmd::Count(type, m, 0);
    EXPECT_EQ(std::vector<double>(val, val + kNetCount), before);
}

TEST_F(TimesboxTest, NoOwnDataRowsOrRun) { ExpectNoOwnData(); }

TEST_F(TimesboxTest, CopyAndPasteWholeInstance) {
    auto *a = New();
    auto *b = New();
    EXPECT_FALSE(kmd::Paste(type, b)) << "nothing copied yet";
    a->amp = 250.0;
    a->wirein[0] = 8;
    ASSERT_TRUE(kmd::Copy(type, a));
    auto atCopy = Bytes(a);
    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(Bytes(b), atCopy);

    // A second copy replaces the first.
    a->amp = 10.0;
    ASSERT_TRUE(kmd::Copy(type, a));
    auto *c = New();
    ASSERT_TRUE(kmd::Paste(type, c));
    EXPECT_EQ(c->amp, 10.0);
}

} // namespace
