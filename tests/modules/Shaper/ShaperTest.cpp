// The nonlinearity through its entry point.
#include <cmath>
#include <limits>

#include "ModuleHost.h"
#include "ShaperCurve.h"

namespace {

using kmrtest::Near;

class ShaperTest : public kmrtest::ModuleHost {
protected:
    void SetUp() override { Load("Shaper.kmd"); }

    // A new instance reading net 3 and writing net 5, its curve replaced by preset e.
    MODULE *WithPreset(int e) {
        MODULE *m = New();
        shaper::ApplyPreset(e, reinterpret_cast<signed char *>(Own(m)));
        m->wirein[0] = 3;
        m->wireout = 5;
        return m;
    }
    double Out(MODULE *m, double x) {
        val[3] = x;
        val[5] = -1.0;
        kmd::Count(type, m, 0);
        return val[5];
    }
};

TEST_F(ShaperTest, DeclaresItself) {
    ExpectFacts({"Shaper.kmd", 332 + 4, {{0, 16}, {-1, -1}, {-1, -1}, {-1, -1}}, {32, 16}, 0, "Нелинейность",
                 "Unlinearity", 730});
    MODULE *m = New();
    for (int i = 0; i < shaper::kPoints; ++i) EXPECT_EQ((signed char)Own(m)[i], i - 100) << i;

    // The schematic picture, the button and the four animation frames.
    kmr::ResourceImage res = Resources();
    struct Pic {
        const char *name;
        int side;
    } pictures[] = {{"BITMAP", 32}, {"TOOL", 22}, {"SLIDE0", 31}, {"SLIDE1", 31}, {"SLIDE2", 31}, {"SLIDE3", 31}};
    for (const Pic &p : pictures) {
        kmr::Picture picture;
        ASSERT_TRUE(res.LoadPicture(p.name, picture)) << p.name;
        EXPECT_EQ(picture.width, p.side) << p.name;
        EXPECT_EQ(picture.height, p.side) << p.name;
        EXPECT_LE(kmrtest::Colours(picture), 16u) << p.name;
    }
    kmr::Picture bitmap;
    res.LoadPicture("BITMAP", bitmap);
    EXPECT_NE(bitmap.At(0, 16), bitmap.At(0, 0)) << "the input pin is marked at the edge";
    EXPECT_NE(bitmap.At(31, 16), bitmap.At(31, 0)) << "the output pin is marked at the edge";

    // The image the library carries is the one its frames are loaded from.
    const auto *image = static_cast<const unsigned char *>(kmr::FindSymbol(type.Library, "KmrResources"));
    ASSERT_NE(image, nullptr);
    const size_t length = image[0] | image[1] << 8 | image[2] << 16 | (size_t)image[3] << 24;
    EXPECT_EQ(shaper::LoadFrames(image + 4, length), 4);
    EXPECT_EQ(shaper::Frame(3).width, 31);
    shaper::ReleaseFrames();
}

TEST_F(ShaperTest, NoRowsNoDialogYetNoPress) {
    MODULE *m = New();
    kmd::Describe(type, m);
    EXPECT_EQ(descr[2].Type, _NONE);
    const auto before = Bytes(m);
    kmd::Setup(type, m);
    EXPECT_TRUE(kmd::Start(type, m));
    EXPECT_TRUE(kmd::Stop(type, m));
    EXPECT_EQ(type.Entry(fnMOUSEDOWN, m, KmdPackPoint(5, 20)), 0);
    EXPECT_EQ(Bytes(m), before);
}

TEST_F(ShaperTest, IdentityPassesTheInput) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double x, amp;
        bool limitation;
        double expected;
    } cases[] = {
        {0.0, 100, true, 0.0},
        {10000.0, 100, true, 10000.0},
        {-10000.0, 100, true, -10000.0},
        {32767.0, 100, true, 32439.33},  // 99 x 327.67: the top point
        {10000.0, 50, true, 5000.0},
        {10000.0, 0, true, 0.0},
        // Beyond full scale the end points hold.
        {40000.0, 100, false, 32439.33},
        {-40000.0, 100, false, -32767.0},
        {-32768.0, 100, false, -32768.0}, // just below the bottom segment: extended
        {1e12, 100, false, 32439.33},    // past the int32 range of levels
        {-1e300, 100, false, -32767.0},
        {inf, 100, false, 32439.33},
        {-inf, 100, false, -32767.0},
        {nan, 100, false, -32767.0},     // no place on the scale: the lower end
        {nan, 100, true, -32767.0},
        {40000.0, 300, true, 32767.0},   // clipped with limitation on ...
        {40000.0, 300, false, 97317.99}, // ... and passed on without it
    };
    MODULE *m = WithPreset(0);
    for (const Case &c : cases) {
        m->amp = c.amp;
        params.Limitation = c.limitation;
        EXPECT_TRUE(Near(Out(m, c.x), c.expected)) << c.x << " amp " << c.amp;
    }
}

TEST_F(ShaperTest, HardSwitchExtrapolatesBelowZero) {
    MODULE *m = WithPreset(5);
    for (double x : {-327.0, -1.0, 0.0, 1.0, 16000.0, 32767.0}) EXPECT_TRUE(Near(Out(m, x), 32439.33)) << x;
    // -400 lies on the extension of the step from -100 to 99 toward level -2.
    params.Limitation = false;
    EXPECT_TRUE(Near(Out(m, -400.0), -47160.67));
    params.Limitation = true;
    EXPECT_EQ(Out(m, -400.0), -32768.0);
}

TEST_F(ShaperTest, UnconnectedPins) {
    // An unconnected input reads 0.0, which the hard switch maps to its top.
    MODULE *m = WithPreset(5);
    m->wirein[0] = 0;
    val[0] = 0.0;
    kmd::Count(type, m, 0);
    EXPECT_TRUE(Near(val[5], 32439.33));
    m->wireout = 0;
    val[3] = -20000.0;
    kmd::Count(type, m, 0);
    EXPECT_EQ(val[0], 0.0);
}

TEST_F(ShaperTest, SavesExactlyTheCurve) {
    MODULE *m = New();
    std::vector<unsigned char> identity(shaper::kPoints);
    for (int i = 0; i < shaper::kPoints; ++i) identity[i] = (unsigned char)(i - 100);
    EXPECT_EQ(Saved(m), identity);

    std::vector<unsigned char> file(shaper::kPoints);
    for (int i = 0; i < shaper::kPoints; ++i) file[i] = (unsigned char)(7 * i);
    file.push_back(0xEE);
    kmrtest::MemoryStream in(file);
    MODULE *n = New();
    ASSERT_TRUE(kmd::Load(type, n, &in.s));
    EXPECT_EQ(in.pos, (size_t)shaper::kPoints) << "the next record's byte stays unread";
    file.pop_back();
    EXPECT_EQ(Saved(n), file);

    kmrtest::MemoryStream shortIn(std::vector<unsigned char>(shaper::kPoints - 1, 7));
    EXPECT_FALSE(kmd::Load(type, m, &shortIn.s));
    EXPECT_EQ(Saved(m), identity) << "a failed load leaves the curve alone";

    kmrtest::MemoryStream full;
    full.limit = 100;
    EXPECT_FALSE(kmd::Save(type, m, &full.s));
}

TEST_F(ShaperTest, CopyAndPasteTheWholeInstance) {
    MODULE *fresh = New();
    EXPECT_FALSE(kmd::Paste(type, fresh)) << "nothing copied since the library was loaded";

    MODULE *a = WithPreset(22);
    a->amp = 42.0;
    ASSERT_TRUE(kmd::Copy(type, a));
    const auto copied = Bytes(a);
    Own(a)[10] = 1;
    MODULE *b = New();
    ASSERT_TRUE(kmd::Paste(type, b));
    EXPECT_EQ(Bytes(b), copied);
}

} // namespace
