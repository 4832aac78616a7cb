// The scheme: creating and deleting instances, pins and nets, drawing,
// starting and stopping, and the order of calculation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "MemorySurface.h"
#include "Stands.h"

using stands::View;

namespace {

enum Type { GEN, FILTER, REC, ADDER, BACK };

class Scheme : public ::testing::Test {
protected:
    stands::Host host;
    AVMODULES lib{&host.params};
    MODULES scheme{lib};

    void SetUp() override {
        lib.SetFolder(LIBRARY_KMD_DIR);
        for (const char *f : {"Tgen.kmd", "Tfilter.kmd", "Trec.kmd", "Plusbox.kmd", "Tback.kmd"})
            ASSERT_TRUE(lib.LoadType(f)) << f;
    }
    // Instances go before the library in the program's end, too.
    void TearDown() override { scheme.ClearAll(); }

    int add(int type, int x = -1, int y = -1) {
        int slot = scheme.AddInstance(lib.GetType(type), type);
        if (slot) scheme.Get(slot)->loc.Set(x, y);
        return slot;
    }
    void name(int slot, const char *text) { std::strcpy(scheme.Get(slot)->UserName, text); }
};

TEST_F(Scheme, AddInstanceGivesTheDefaultsThenTheTypesOwn) {
    kmr::MemorySurface surface(64, 64);
    scheme.SetSurface(&surface);
    int slot = scheme.AddInstance(lib.GetType(ADDER), ADDER);
    ASSERT_EQ(slot, 1);
    MODULE *m = scheme.Get(1);
    EXPECT_EQ(m->Index, ADDER);
    EXPECT_EQ(m->Bitmap, lib.GetType(ADDER).Bitmap.get());
    EXPECT_EQ(m->amp, 100.0);
    EXPECT_EQ(m->UserName[0], 0);
    EXPECT_FALSE(m->loc.Valid()) << "a new instance is not placed";
    EXPECT_EQ(m->end.x, 31);
    EXPECT_EQ(m->in[1].y, 24);
    EXPECT_FALSE(m->in[2].Valid());
    EXPECT_FALSE(m->in[3].Valid());
    EXPECT_EQ(m->wireout, 0);
    for (int32_t n : m->wirein) EXPECT_EQ(n, 0);
    EXPECT_EQ(m->level, 0);
    EXPECT_EQ(m->attr, 0);
    EXPECT_EQ(View(m)->Started, 0) << "the type's own bytes start zero";
    EXPECT_EQ(View(m)->Last, 0.0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(m) % alignof(double), 0u);
    EXPECT_FALSE(scheme.Selected(1));
    EXPECT_EQ(surface.Pixels(), kmr::MemorySurface(64, 64).Pixels()) << "a new instance is not drawn";

    int back = scheme.AddInstance(lib.GetType(BACK), BACK);
    EXPECT_EQ(scheme.Get(back)->attr, matBACK);
    // A number without a type reaches the empty spare, whose size is 0.
    EXPECT_EQ(scheme.AddInstance(lib.GetType(200), 200), 0);
    EXPECT_EQ(scheme.CountInstances(), 2);
}

TEST_F(Scheme, The64thInstanceIsRefused) {
    for (int i = 1; i <= MODULES::kMaxInstances; ++i) ASSERT_EQ(add(GEN), i);
    EXPECT_EQ(add(GEN), 0);
    EXPECT_EQ(scheme.CountInstances(), 63);
}

TEST_F(Scheme, DeletingCompactsWhileMarksStayWithSlots) {
    const char *names[] = {"1", "2", "3", "4", "5"};
    for (const char *n : names) name(add(GEN), n);
    for (int s : {3, 4, 5}) scheme.Mark(s, true);

    EXPECT_TRUE(scheme.DeleteInstance(2));
    EXPECT_EQ(host.params.FileIndex, 1) << "the type's Destroy ran once";
    ASSERT_EQ(scheme.CountInstances(), 4);
    const char *after[] = {"1", "3", "4", "5"};
    for (int s = 1; s <= 4; ++s) EXPECT_STREQ(scheme.Get(s)->UserName, after[s - 1]) << s;
    EXPECT_EQ(scheme.Get(5), nullptr);
    for (int s = 1; s <= 5; ++s) EXPECT_EQ(scheme.Selected(s), s >= 3) << s;

    for (int s : {0, -1, 64, 1000}) EXPECT_FALSE(scheme.DeleteInstance(s)) << s;
    EXPECT_TRUE(scheme.DeleteInstance(9)) << "an empty slot only compacts";
    EXPECT_EQ(scheme.CountInstances(), 4);

    scheme.ClearAll();
    EXPECT_EQ(scheme.CountInstances(), 0);
    EXPECT_EQ(host.params.FileIndex, 1) << "clearing the scheme does not call Destroy";
    EXPECT_EQ(add(GEN), 1);
}

TEST_F(Scheme, PinsOfAnInstance) {
    int adder = add(ADDER, 64, 64); // out (96,80), inputs (64,72) and (64,88)
    MODULE *m = scheme.Get(adder);
    struct {
        CPOINT point;
        int pin;
    } at[] = {{{96, 80}, 1}, {{64, 72}, 2}, {{64, 88}, 3}, {{64, 80}, 0}, {{-1, -1}, 0}};
    for (auto &c : at) EXPECT_EQ(PinAt(m, c.point), c.pin) << c.point.x << "," << c.point.y;

    struct {
        int pin;
        CPOINT pos;
    } positions[] = {{1, {96, 80}}, {2, {64, 72}}, {3, {64, 88}}, {4, {-1, -1}}, {0, {-1, -1}}, {6, {-1, -1}}};
    for (auto &c : positions) {
        CPOINT p = PinPosition(m, c.pin);
        EXPECT_TRUE(p.x == c.pos.x && p.y == c.pos.y) << c.pin;
    }

    // Nets are read only from pins that exist.
    m->wireout = 5;
    m->wirein[2] = 9;
    EXPECT_EQ(PinNet(m, 1), 5);
    EXPECT_EQ(PinNet(m, 4), 0);
    EXPECT_EQ(scheme.FindPinOwner({96, 80}), adder);
    EXPECT_EQ(scheme.FindPinOwner({96, 81}), 0);

    scheme.SetPinNet(adder, {64, 88}, 7);
    EXPECT_EQ(m->wirein[1], 7);
    EXPECT_EQ(scheme.GetPinNet(adder, {64, 88}), 7);
    scheme.SetPinNet(adder, {0, 0}, 8); // no pin there
    EXPECT_EQ(scheme.GetPinNet(adder, {0, 0}), 0);
    EXPECT_EQ(m->wireout, 5);
    EXPECT_EQ(m->wirein[0], 0);

    // A scheme of unplaced and out-of-range instances has no pin owners.
    EXPECT_EQ(scheme.GetPinNet(0, {96, 80}), 0);
    EXPECT_EQ(scheme.GetPinNet(64, {96, 80}), 0);
}

TEST_F(Scheme, NearestPin) {
    MODULE *adder = scheme.Get(add(ADDER, 64, 64));    // inputs (64,72), (64,88), out (96,80)
    MODULE *filter = scheme.Get(add(FILTER, 160, 64)); // input (160,80), out (192,80)
    struct {
        MODULE *m;
        CPOINT point;
        int pin;
    } cases[] = {
        {adder, {64, 80}, 3},  // equally far from both inputs: the higher pin
        {adder, {96, 80}, 1},
        {adder, {90, 78}, 1},
        {filter, {150, 70}, 2}, // squared distance 200
        {filter, {149, 70}, 0}, // 225 + 100
        {filter, {145, 65}, 0}, // 15 pixels in each direction: 450
        {filter, {-1, -1}, 0},
    };
    for (auto &c : cases) EXPECT_EQ(NearestPin(c.m, c.point), c.pin) << c.point.x << "," << c.point.y;
}

TEST_F(Scheme, FindAtCoversThePictureEdgesIncluded) {
    int a = add(ADDER, 64, 64);  // 64..95
    int f = add(FILTER, 80, 80); // 80..111, over the adder's corner
    add(GEN);                    // not placed: never found
    struct {
        CPOINT point;
        int slot;
    } cases[] = {{{64, 64}, a}, {{95, 95}, a}, {{90, 90}, a}, {{96, 96}, f}, {{111, 111}, f},
                 {{63, 64}, 0}, {{112, 80}, 0}, {{0, 0}, 0},  {{30, 30}, 0}};
    for (auto &c : cases) EXPECT_EQ(scheme.FindAt(c.point), c.slot) << c.point.x << "," << c.point.y;
    EXPECT_EQ(scheme.FindAtExcept({90, 90}, a), f);
    EXPECT_EQ(scheme.FindAtExcept({70, 70}, a), 0);
}

TEST_F(Scheme, NetsOfPins) {
    MODULE *g = scheme.Get(add(GEN, 0, 0));
    MODULE *f = scheme.Get(add(FILTER, 64, 0));
    MODULE *r = scheme.Get(add(REC, 128, 0));
    g->wireout = 4;
    f->wirein[0] = 4;
    f->wireout = 6;
    r->wirein[0] = 6;

    EXPECT_EQ(scheme.SelectOnNet(4), 2);
    EXPECT_TRUE(scheme.Selected(1) && scheme.Selected(2) && !scheme.Selected(3));
    EXPECT_EQ(scheme.SelectOnNet(0), 0);
    EXPECT_FALSE(scheme.Selected(1) || scheme.Selected(2) || scheme.Selected(3));

    scheme.RenumberPinNets(4, 9);
    EXPECT_EQ(g->wireout, 9);
    EXPECT_EQ(f->wirein[0], 9);
    scheme.RenumberPinNets(9, 0); // nothing
    EXPECT_EQ(g->wireout, 9);
    // Renumbering "unconnected" would wire every open pin, even inputs a
    // type does not have, to one net.
    scheme.RenumberPinNets(0, 5);
    EXPECT_EQ(g->wirein[0], 0);
    EXPECT_EQ(r->wireout, 0);

    scheme.ClearPinNets(6);
    EXPECT_EQ(f->wireout, 0);
    EXPECT_EQ(r->wirein[0], 0);
    EXPECT_EQ(f->wirein[0], 9);
}

TEST_F(Scheme, FindMultiDrivenNet) {
    struct {
        std::vector<int> outs;
        int net;
    } cases[] = {
        {{1, 2, 3}, 0},
        {{5, 5, 3, 3}, 3},
        {{7, 1023, 1023}, 1023},
        {{5000, 5000, -2, -2, 0, 0}, 0}, // nets no wiring gives out are not counted
    };
    for (auto &c : cases) {
        scheme.ClearAll();
        for (int out : c.outs) scheme.Get(add(GEN))->wireout = out;
        scheme.Mark(1, true);
        EXPECT_EQ(scheme.FindMultiDrivenNet(), c.net);
        EXPECT_FALSE(scheme.Selected(1)) << "marks are cleared";
    }
}

// Instances of an ordering case, in slot order, with their nets.
struct Inst {
    Type type;
    int out;
    int in0 = 0, in1 = 0;
};
struct OrderCase {
    const char *name;
    std::vector<Inst> inst;
    int result;
    std::vector<int> levels; // per instance, when result is not kNetOutOfRange
    int unconnected;         // FindUnconnectedInputs when result is 0
};

TEST_F(Scheme, OrderOfCalculation) {
    const int OUT = MODULES::kNetOutOfRange;
    const OrderCase cases[] = {
        {"one generator", {{GEN, 1}}, 0, {1}, 0},
        {"chain in reverse slots", {{REC, 0, 2}, {FILTER, 2, 1}, {GEN, 1}}, 0, {3, 2, 1}, 0},
        {"chain in mixed slots", {{FILTER, 2, 1}, {REC, 0, 2}, {GEN, 1}}, 0, {2, 3, 1}, 0},
        {"loop of two adders", {{ADDER, 1, 2}, {ADDER, 2, 1}}, 2, {0, 0}, 0},
        {"loop closed through feedback", {{ADDER, 1, 3}, {ADDER, 2, 1}, {BACK, 3, 2}}, 0, {1, 2, 3}, 2},
        {"input on an undriven wire", {{GEN, 1}, {REC, 0, 7}}, 1, {1, 0}, 0},
        {"open input is ordered", {{FILTER, 1, 0}, {REC, 0, 1}}, 0, {1, 2}, 1},
        {"two open inputs count twice", {{ADDER, 1}, {REC, 0, 1}}, 0, {1, 2}, 2},
        {"input net 1024", {{GEN, 1}, {REC, 0, 1024}}, OUT, {}, 0},
        {"negative input net", {{REC, 0, -3}}, OUT, {}, 0},
        {"output net 1024", {{GEN, 1024}}, OUT, {}, 0},
        {"feedback output net 5000", {{BACK, 5000}}, OUT, {}, 0},
    };
    for (const OrderCase &c : cases) {
        SCOPED_TRACE(c.name);
        scheme.ClearAll();
        for (const Inst &i : c.inst) {
            MODULE *m = scheme.Get(add(i.type));
            m->wireout = i.out;
            m->wirein[0] = i.in0;
            m->wirein[1] = i.in1;
            m->level = 9; // a stale level from an earlier ordering
        }
        int n = (int)c.inst.size();
        ASSERT_EQ(scheme.Order(), c.result);
        if (c.result == OUT) {
            // The instance carrying the bad net is the one shown selected.
            EXPECT_TRUE(scheme.Selected(n));
            continue;
        }
        int highest = 0;
        for (int s = 1; s <= n; ++s) {
            EXPECT_EQ(scheme.Get(s)->level, c.levels[s - 1]) << "slot " << s;
            EXPECT_EQ(scheme.Selected(s), c.levels[s - 1] == 0) << "slot " << s;
            highest = std::max(highest, c.levels[s - 1]);
        }
        EXPECT_EQ(scheme.levels, highest);
        if (c.result == 0) {
            EXPECT_EQ(scheme.FindUnconnectedInputs(), c.unconnected);
            for (int s = 1; s <= n; ++s) {
                const MODULE *m = scheme.Get(s);
                bool open = false;
                for (int i = 0; i < 4; ++i) open = open || (m->in[i].Valid() && m->wirein[i] == 0);
                EXPECT_EQ(scheme.Selected(s), open) << "slot " << s;
            }
        }
    }
}

TEST_F(Scheme, StartAllStopsAtTheFirstRefusalAndStopAllStopsEveryone) {
    for (int i = 0; i < 3; ++i) add(GEN);
    name(2, "nostart");
    scheme.Mark(1, true);
    EXPECT_FALSE(scheme.StartAll());
    EXPECT_FALSE(scheme.Selected(1));
    EXPECT_TRUE(scheme.Selected(2));
    EXPECT_FALSE(scheme.Selected(3));
    EXPECT_EQ(View(scheme.Get(1))->Started, 1);
    EXPECT_EQ(View(scheme.Get(2))->Started, 1);
    EXPECT_EQ(View(scheme.Get(3))->Started, 0) << "no instance after the refusal is started";
    EXPECT_TRUE(scheme.StopAll());
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(View(scheme.Get(s))->Stopped, 1) << s;

    name(2, "nostop");
    name(3, "nostop");
    EXPECT_TRUE(scheme.StartAll());
    EXPECT_FALSE(scheme.Selected(2)) << "StartAll clears the marks";
    EXPECT_FALSE(scheme.StopAll());
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(View(scheme.Get(s))->Stopped, 2) << s;
        EXPECT_EQ(scheme.Selected(s), s != 1) << s;
    }
}

TEST_F(Scheme, CountInstanceRunsOneSample) {
    MODULE *g = scheme.Get(add(GEN));
    MODULE *f = scheme.Get(add(FILTER));
    g->wireout = 5;
    f->wirein[0] = 5;
    f->wireout = 6;
    scheme.CountInstance(1, 41);
    scheme.CountInstance(2, 41);
    EXPECT_EQ(host.val[5], 42.0);
    EXPECT_EQ(host.val[6], 42.0);
    for (int s : {0, 3, 63, 64, -1}) scheme.CountInstance(s, 0); // no instance: nothing
    EXPECT_EQ(host.val[6], 42.0);
}

kmr::MemorySurface patterned(int w, int h) {
    kmr::MemorySurface s(w, h, 0x808080);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.SetPixel(x, y, (uint32_t)(x * 0x010307 + y * 0x0B0503) & 0xFFFFFF);
    return s;
}

TEST_F(Scheme, DrawingAndErasing) {
    kmr::MemorySurface s = patterned(96, 64);
    const auto original = s.Pixels();
    const kmr::Picture &pic = *lib.GetType(GEN).Bitmap;
    int slot = add(GEN, 16, 8); // covers 16..47, 8..39
    MODULE *m = scheme.Get(slot);
    auto inside = [](int x, int y) { return x >= 16 && x <= 47 && y >= 8 && y <= 39; };
    auto expectEach = [&](auto want) {
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x) ASSERT_EQ(s.Pixel(x, y), want(x, y)) << x << "," << y;
    };

    // Inverting twice gives back the surface pixel for pixel; the raster
    // operation of the surface is kept.
    s.SetOp(kmr::RasterOp::Copy);
    DrawInstance(m, &s, kmr::RasterOp::Invert);
    EXPECT_EQ(s.Op(), kmr::RasterOp::Copy);
    EXPECT_NE(s.Pixels(), original);
    DrawInstance(m, &s, kmr::RasterOp::Invert);
    EXPECT_EQ(s.Pixels(), original);

    // Erasing fills exactly the instance's rectangle with the background.
    EraseInstance(m, &s);
    expectEach([&](int x, int y) { return inside(x, y) ? s.Background() : original[y * 96 + x]; });

    // The scheme draws on its surface: normal, selected, and back.
    scheme.SetSurface(&s);
    ASSERT_TRUE(scheme.DrawOne(slot));
    expectEach([&](int x, int y) { return inside(x, y) ? pic.At(x - 16, y - 8) & 0xFFFFFF : original[y * 96 + x]; });
    scheme.Select(slot);
    EXPECT_TRUE(scheme.Selected(slot));
    expectEach([&](int x, int y) {
        return inside(x, y) ? (pic.At(x - 16, y - 8) ^ s.Background()) & 0xFFFFFF : original[y * 96 + x];
    });
    scheme.Deselect(slot);
    expectEach([&](int x, int y) { return inside(x, y) ? pic.At(x - 16, y - 8) & 0xFFFFFF : original[y * 96 + x]; });
    EXPECT_FALSE(scheme.DrawOne(2));
    EXPECT_FALSE(scheme.DrawSelected(0));

    // Deleting erases.
    EXPECT_TRUE(scheme.DeleteInstance(slot));
    expectEach([&](int x, int y) { return inside(x, y) ? s.Background() : original[y * 96 + x]; });

    // An instance that is not placed, or has no extent, is neither drawn nor
    // erased; nothing happens without a surface.
    const auto before = s.Pixels();
    int unplaced = add(GEN);
    scheme.DrawOne(unplaced);
    scheme.Select(unplaced);
    MODULE *n = scheme.Get(unplaced);
    n->loc.Set(0, 0);
    n->end.Set(-1, -1);
    scheme.Select(unplaced);
    EraseInstance(n, &s);
    EXPECT_EQ(s.Pixels(), before);
    n->end.Set(31, 31);
    DrawInstance(n, nullptr, kmr::RasterOp::Copy);
    EraseInstance(n, nullptr);
    scheme.SetSurface(nullptr);
    scheme.DrawAll();
    EXPECT_EQ(s.Pixels(), before);
}

} // namespace
