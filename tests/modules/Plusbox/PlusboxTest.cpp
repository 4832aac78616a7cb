// The adder through its entry point.
#include <optional>

#include "ModuleHost.h"

namespace {

using kmrtest::Near;

class PlusboxTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Plusbox.kmd"); }
};

TEST_F(PlusboxTest, DeclaresItself) {
    ExpectFacts({"Plusbox.kmd", 136, {{0, 8}, {0, 24}, {-1, -1}, {-1, -1}}, {32, 16}, 0,
                 "Сумматор сигналов", "Adder", 732});
}

TEST_F(PlusboxTest, AddsScalesAndAlwaysClips) {
    const std::optional<double> open; // an unconnected input
    struct Case {
        std::optional<double> x1, x2;
        double amp;
        bool limitation;
        double expected;
    } cases[] = {
        {open, open, 100, true, 0.0},
        {1000.0, open, 50, true, 500.0},
        {1000.0, -250.0, 100, false, 750.0},
        {30000.0, 30000.0, 100, false, 32767.0}, // clipped whatever the switch says
        {-30000.0, -30000.0, 100, false, -32768.0},
        {20000.0, 20000.0, 50, false, 20000.0},
        {30000.0, 30000.0, 0, true, 0.0},
        {NAN, 10.0, 100, false, -32768.0}, // a NaN sum is never passed on
    };
    auto *m = New();
    m->wireout = 9;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(i);
        m->wirein[0] = c.x1 ? 3 : 0;
        m->wirein[1] = c.x2 ? 4 : 0;
        val[3] = c.x1.value_or(-1.0);
        val[4] = c.x2.value_or(-1.0);
        m->amp = c.amp;
        params.Limitation = c.limitation;
        val[9] = 12345.0;
        kmd::Count(type, m, (int)i);
        EXPECT_TRUE(Near(val[9], c.expected));
        EXPECT_EQ(val[0], 0.0);
    }
}

TEST_F(PlusboxTest, UnconnectedOutputWritesNothing) {
    auto *m = New();
    m->wirein[0] = 1;
    val[1] = 500.0;
    auto before = std::vector<double>(val, val + kNetCount);
    kmd::Count(type, m, 0);
    EXPECT_EQ(std::vector<double>(val, val + kNetCount), before);
}

TEST_F(PlusboxTest, NoOwnDataRowsOrRun) { ExpectNoOwnData(); }

TEST_F(PlusboxTest, CopyAndPasteWholeInstance) {
    auto *a = New();
    auto *b = New();
    EXPECT_FALSE(kmd::Paste(type, b)) << "nothing copied yet";
    a->amp = 37.5;
    a->wirein[1] = 6;
    std::strcpy(a->UserName, "mix");
    ASSERT_TRUE(kmd::Copy(type, a));
    auto atCopy = Bytes(a);
    a->amp = 1.0;
    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(Bytes(b), atCopy);
}

} // namespace
