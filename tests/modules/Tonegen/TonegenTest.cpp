// The signal generator through its entry point: the wave shapes, the note
// table, saved bytes.
#include "ModuleHost.h"
#include "Notes.h"

using kmrtest::MemoryStream;
using kmrtest::Near;

namespace {

#pragma pack(push, 4)
struct TonegenView : MODULE {
    char octave;
    signed char note;
    char mode;
    char filler;
    double freq;
    double phase;
    double K;
};
#pragma pack(pop)

class TonegenTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Tonegen.kmd"); }

    // Samples 0 .. count-1 of a run writing net 2.
    std::vector<double> Run(char mode, double freq, double amp, int count) {
        auto *g = New<TonegenView>();
        g->mode = mode;
        g->freq = freq;
        g->amp = amp;
        g->wireout = 2;
        std::vector<double> out;
        EXPECT_TRUE(kmd::Start(type, g));
        for (int i = 0; i < count; ++i) {
            kmd::Count(type, g, i);
            out.push_back(val[2]);
        }
        kmd::Stop(type, g);
        return out;
    }
};

TEST_F(TonegenTest, DeclaresItself) {
    ExpectFacts({"Tonegen.kmd", 164, {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0,
                 "Генератор сигналов", "Generator", 733});
    auto *g = New<TonegenView>();
    EXPECT_EQ(g->octave, 5);
    EXPECT_EQ(g->note, 0);
    EXPECT_EQ(g->mode, 0);
    EXPECT_EQ(g->freq, 523.25);
    EXPECT_FALSE(kmd::MouseDown(type, g, KmdPackPoint(5, 20)));

    params.Lang = 0;
    kmd::Describe(type, g);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[2].Name), "Тип генератора");
    EXPECT_EQ(descr[2].Type, _CHAR);
    EXPECT_EQ(descr[2].Param, &g->mode);
    EXPECT_EQ(kmr::Cp1251ToUtf8(descr[3].Name), "Частота (Гц)");
    EXPECT_EQ(descr[3].Type, _DOUBLE);
    EXPECT_EQ(descr[3].Param, &g->freq);
    EXPECT_EQ(descr[4].Type, _NONE);
    params.Lang = 7;
    kmd::Describe(type, g);
    EXPECT_STREQ(descr[2].Name, "Type");
    EXPECT_STREQ(descr[3].Name, "Frequency (HZ)");
}

// 441 Hz at 44100 Hz: 100 samples a period, and the phase is one step in at
// sample 0, so a quarter period ends at sample 24.
TEST_F(TonegenTest, WaveShapes) {
    struct Case {
        const char *what;
        char mode;
        double amp;
        bool limit;
        std::vector<std::pair<int, double>> samples;
    } cases[] = {
        {"sine", 0, 100.0, true,
         {{0, 2057.456953417011}, {24, 32767.0}, {49, 0.0}, {74, -32767.0}, {100, 2057.456953417011}}},
        {"other modes are the sine", 7, 100.0, true, {{0, 2057.456953417011}, {24, 32767.0}}},
        {"sine is clipped without limitation", 0, 200.0, false, {{24, 32767.0}, {74, -32768.0}}},
        {"sine follows the gain", 0, 50.0, false, {{24, 16383.5}, {74, -16383.5}}},
        {"square", 1, 100.0, true, {{0, 32767.0}, {48, 32767.0}, {50, -32768.0}, {98, -32768.0}}},
        {"square at gain 10", 1, 10.0, true, {{0, 32767.0}, {50, -32768.0}}},
        {"square at gain 0", 1, 0.0, true, {{0, 32767.0}, {50, 32767.0}, {99, 32767.0}}},
        {"square inverted", 1, -100.0, true, {{0, -32768.0}, {50, 32767.0}}},
        {"triangle", 2, 100.0, true, {{0, -1310.7}, {24, -32767.5}, {49, 0.0}, {74, 32767.5}, {99, 0.0}}},
        {"falling saw", 3, 100.0, true, {{0, 32111.66}, {49, 0.0}, {98, -32111.66}}},
        {"rising saw", 4, 100.0, true, {{0, -32111.66}, {49, 0.0}, {98, 32111.66}}},
        {"the saws ignore the gain", 4, 0.0, true, {{0, -32111.66}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        params.Limitation = c.limit;
        auto out = Run(c.mode, 441.0, c.amp, 101);
        for (auto [i, expected] : c.samples) {
            if (expected == 0.0)
                EXPECT_NEAR(out[i], 0.0, 1e-6) << "sample " << i;
            else
                EXPECT_TRUE(Near(out[i], expected)) << "sample " << i;
        }
    }
}

TEST_F(TonegenTest, SpecialFrequencies) {
    params.Limitation = true;
    for (double v : Run(0, 0.0, 100.0, 10)) EXPECT_EQ(v, 0.0);
    for (double v : Run(1, 0.0, 100.0, 10)) EXPECT_EQ(v, 32767.0);

    // A negative frequency runs the phase backwards; the period count is
    // truncated toward zero, so t starts just below -1.
    EXPECT_TRUE(Near(Run(4, -441.0, 100.0, 1)[0], 32767 * -1.02));

    // A default instance is a full-scale 523.25 Hz sine.
    auto *g = New<TonegenView>();
    g->wireout = 2;
    ASSERT_TRUE(kmd::Start(type, g));
    double peak = 0;
    for (int i = 0; i < 200; ++i) {
        kmd::Count(type, g, i);
        peak = std::max(peak, val[2]);
    }
    EXPECT_GT(peak, 32740.0); // the nearest sample to a crest is within half a step
    EXPECT_LE(peak, 32767.0);

    // The phase is never wrapped: at frequencies whose period count soon
    // leaves the int32 range the saws and the triangle keep their range.
    for (char mode : {2, 3, 4}) {
        auto out = Run(mode, 1e15, 100.0, 50);
        for (double v : out) {
            EXPECT_GE(v, -32767.5) << int(mode);
            EXPECT_LE(v, 32767.5) << int(mode);
        }
    }
}

TEST_F(TonegenTest, NoteTable) {
    using tonegen::NoteFrequency;
    EXPECT_EQ(NoteFrequency(0), 16.35);
    EXPECT_EQ(NoteFrequency(57), 440.00);
    EXPECT_EQ(NoteFrequency(60), 523.25);
    EXPECT_EQ(NoteFrequency(107), 7902.13);
    EXPECT_EQ(NoteFrequency(4 * 12 + 9), 440.0);
    EXPECT_EQ(NoteFrequency(6 * 12 + 9), 1760.0);
    for (int i : {-1, 108, 1000}) EXPECT_EQ(NoteFrequency(i), 0.0) << i;

    // Equal temperament rounded to hundredths; two entries stay one hundredth low.
    for (int i = 0; i < tonegen::kNotes; ++i) {
        double rounded = std::round(440.0 * std::pow(2.0, (i - 57) / 12.0) * 100.0) / 100.0;
        double expected = i == 90 || i == 104 ? rounded - 0.01 : rounded;
        EXPECT_NEAR(NoteFrequency(i), expected, 1e-9) << "entry " << i;
    }
}

TEST_F(TonegenTest, SavesAndLoadsTwelveBytes) {
    auto *g = New<TonegenView>();
    EXPECT_EQ(Saved(g), (std::vector<unsigned char>{0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5A, 0x80,
                                                     0x40}));

    g->octave = 4;
    g->note = -1;
    g->mode = 3;
    g->filler = 7;
    g->freq = 440.0;
    auto bytes = Saved(g);
    ASSERT_EQ(bytes.size(), 12u);
    auto *h = New<TonegenView>();
    MemoryStream in(bytes);
    ASSERT_TRUE(kmd::Load(type, h, &in.s));
    EXPECT_EQ(in.pos, 12u);
    EXPECT_EQ(h->octave, 4);
    EXPECT_EQ(h->note, -1);
    EXPECT_EQ(h->mode, 3);
    EXPECT_EQ(h->filler, 7);
    EXPECT_EQ(h->freq, 440.0);

    MemoryStream shortIn(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 11));
    auto *k = New<TonegenView>();
    auto before = Bytes(k);
    EXPECT_FALSE(kmd::Load(type, k, &shortIn.s));
    EXPECT_EQ(Bytes(k), before);
}

} // namespace
