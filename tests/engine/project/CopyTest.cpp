#include <gtest/gtest.h>

#include "ModuleCopy.h"

namespace {

class ModuleCopy : public ::testing::Test {
protected:
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    AVMODULES types{&params};
    MODULES scheme{types};
    WIRES wires;
    kmr::MODULECOPY copy;

    void SetUp() override {
        params.Val = val;
        params.Descr = descr;
        types.SetFolder(KMR_PROJECT_PLUGINS);
        for (const char *name : {"Plusbox.kmd", "Datamod.kmd"}) ASSERT_TRUE(types.LoadType(name)) << name;
    }
    int add(const char *name, int x, int y) {
        int t = types.FindByFileName(name);
        int slot = scheme.AddInstance(types.GetType(t), t);
        scheme.Get(slot)->loc.Set(x, y);
        return slot;
    }
    static int32_t &value(MODULE *m) { return *reinterpret_cast<int32_t *>(reinterpret_cast<char *>(m) + sizeof(MODULE)); }
};

TEST_F(ModuleCopy, PasteGivesAnEqualIndependentInstanceAtTheSnappedPoint) {
    EXPECT_FALSE(copy.CanPaste());
    EXPECT_EQ(copy.PasteModule(scheme, wires, {100, 100}).slot, 0) << "nothing copied";

    int a = add("Datamod.kmd", 16, 48);
    scheme.Get(a)->amp = 50;
    value(scheme.Get(a)) = 99;
    scheme.Get(a)->wireout = 4; // connected where it stands
    copy.CopyModule(scheme, a);
    ASSERT_TRUE(copy.CanPaste());

    auto r1 = copy.PasteModule(scheme, wires, {105, 121});
    auto r2 = copy.PasteModule(scheme, wires, {200, 40});
    ASSERT_EQ(r1.slot, 2);
    ASSERT_EQ(r2.slot, 3);
    EXPECT_TRUE(r1.changed);
    MODULE *p = scheme.Get(r1.slot);
    EXPECT_EQ(p->amp, 50.0);
    EXPECT_EQ(value(p), 99);
    EXPECT_EQ(p->loc.x, 112);
    EXPECT_EQ(p->loc.y, 128);
    EXPECT_EQ(p->wireout, 0) << "no connection without a wire";
    value(p) = 1;
    EXPECT_EQ(value(scheme.Get(r2.slot)), 99) << "two pastes are independent";
}

TEST_F(ModuleCopy, LastCopiedTypeIsPastedAndPinsJoinWires) {
    int a = add("Datamod.kmd", 16, 48);
    int b = add("Plusbox.kmd", 80, 48);
    copy.CopyModule(scheme, a);
    copy.CopyModule(scheme, b);
    // A wire under the output pin of the pasted instance at (160, 48): (192, 64).
    int net = wires.AddSegment({{192, 64}, {240, 64}, 0});
    ASSERT_NE(net, 0);
    auto r = copy.PasteModule(scheme, wires, {160, 48});
    ASSERT_NE(r.slot, 0);
    EXPECT_STREQ(types.TypeName(scheme.Get(r.slot)->Index), "Plusbox.kmd");
    EXPECT_EQ(scheme.Get(r.slot)->wireout, net);
    EXPECT_EQ(r.nets.count, 1);
}

TEST_F(ModuleCopy, FullSchemeOnlyMarksTheProjectChanged) {
    int a = add("Plusbox.kmd", 0, 48);
    copy.CopyModule(scheme, a);
    while (scheme.CountInstances() < MODULES::kMaxInstances) add("Plusbox.kmd", 0, 48);
    auto r = copy.PasteModule(scheme, wires, {0, 0});
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(r.slot, 0);
    EXPECT_EQ(scheme.CountInstances(), MODULES::kMaxInstances);
}

} // namespace
