#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <future>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Probe.h"
#include "Run.h"
#include "Strings.h"

namespace {

class RunFixture : public ::testing::Test {
public:
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    AVMODULES types{&params};
    MODULES scheme{types};
    WIRES wires;
    kmr::ThreadGo go{scheme, wires, params}; // declared last: ends first

    void SetUp() override {
        params.Freq = 44100;
        params.FullTime = 0.01;
        params.Limitation = true;
        params.Val = val;
        params.Descr = descr;
        types.SetFolder(KMR_RUN_PLUGINS);
        ASSERT_TRUE(types.LoadType("Probe.kmd"));
    }

    // A probe reading net `in` (-1: no input pin) and driving net `out` (-1:
    // no output pin); each net gets a wire segment unless `wired` is false.
    ProbeData *add(int in, int out, bool wired = true) {
        int slot = scheme.AddInstance(types.GetType(0), 0);
        EXPECT_NE(slot, 0);
        auto *p = reinterpret_cast<ProbeData *>(scheme.Get(slot));
        if (in < 0)
            p->in[0] = CPOINT{-1, -1};
        else
            p->wirein[0] = in;
        if (out < 0)
            p->out = CPOINT{-1, -1};
        else
            p->wireout = out;
        if (wired)
            for (int net : {in, out}) wire(net);
        return p;
    }
    void wire(int net) {
        if (net <= 0 || net > WIRES::kMaxNet) return;
        for (int s = 1; s < WIRES::kSlots; ++s)
            if (wires.Slot(s)->net == net) return;
        ASSERT_EQ(wires.AddSegment(SEGMENT{{16, 8 * net}, {48, 8 * net}, net}), net);
    }
    ProbeData *probe(int slot) { return reinterpret_cast<ProbeData *>(scheme.Get(slot)); }

    std::set<int> selected() const {
        std::set<int> s;
        for (int slot = 1; slot < MODULES::kSlotCount; ++slot)
            if (scheme.Selected(slot)) s.insert(slot);
        return s;
    }

    // Starts a run that the check must accept and waits for its end notice.
    kmr::RunEnd run() {
        std::promise<kmr::RunEnd> ended;
        auto end = ended.get_future();
        kmr::RunCheck check = go.Go([&ended](kmr::RunEnd e) { ended.set_value(e); });
        EXPECT_TRUE(check.ok) << "refused with message " << check.message;
        if (!check.ok) return kmr::RunEnd::StartFailed;
        kmr::RunEnd e = end.get();
        go.Wait();
        return e;
    }
};

// ---------------------------------------------------------------------------
// The run check

struct CheckCase {
    const char *name;
    std::function<void(RunFixture &)> build;
    int step, message, help;
    kmr::EditMode mode;
    int count, net;
    std::set<int> selected;
};

class RunCheckTest : public RunFixture, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(RunCheckTest, RefusesWithItsMessageAndStartsNothing) {
    const CheckCase &c = GetParam();
    c.build(*this);
    bool noticed = false;
    kmr::RunCheck r = go.Go([&noticed](kmr::RunEnd) { noticed = true; });
    go.Wait();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.step, c.step);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(r.caption, kmr::kMsgCheckCaption);
    EXPECT_EQ(r.help, c.help);
    EXPECT_EQ(r.mode, c.mode);
    EXPECT_EQ(r.count, c.count);
    EXPECT_EQ(r.net, c.net);
    EXPECT_EQ(r.resetHighlight, c.step != 4) << "only the red net survives the mode change";
    EXPECT_EQ(selected(), c.selected);
    EXPECT_FALSE(noticed);
    EXPECT_FALSE(go.Running());
    for (int s = 1; s <= scheme.CountInstances(); ++s) EXPECT_EQ(probe(s)->starts, 0) << "slot " << s;
}

const CheckCase kCheckCases[] = {
    {"NoInstance", [](RunFixture &) {}, 1, 7, 760, kmr::EditMode::Main, 0, 0, {}},
    {"NoWires", [](RunFixture &f) { f.add(-1, 1, false); }, 2, 8, 761,
     kmr::EditMode::Solder, 0, 0, {}},
    {"TwoJoinedOutputs",
     [](RunFixture &f) {
         f.add(-1, 1);
         f.add(-1, 3);
         f.add(1, 3);
         f.add(3, -1);
     },
     4, 11, 763, kmr::EditMode::Delete, 0, 3, {2, 3, 4}},
    {"LoopOfOneWithoutFeedback",
     [](RunFixture &f) {
         f.add(-1, 1);
         f.add(2, 2);
     },
     7, 14, 765, kmr::EditMode::Unchanged, 1, 0, {2}},
    {"LoopOfThreeWithoutFeedback",
     [](RunFixture &f) {
         f.add(-1, 4);
         f.add(1, 2);
         f.add(2, 3);
         f.add(3, 1);
     },
     7, 15, 765, kmr::EditMode::Unchanged, 3, 0, {2, 3, 4}},
    {"InputOnUndrivenNet",
     [](RunFixture &f) {
         f.add(-1, 1);
         f.add(7, -1);
     },
     7, 14, 765, kmr::EditMode::Unchanged, 1, 0, {2}},
    {"NetOutOfRange",
     [](RunFixture &f) {
         f.add(-1, 1);
         f.add(2000, -1);
     },
     6, 13, 764, kmr::EditMode::Delete, 0, 0, {2}},
    {"OpenInput",
     [](RunFixture &f) {
         f.add(-1, 1);
         f.add(0, -1);
         f.add(1, -1);
     },
     8, 16, 766, kmr::EditMode::Solder, 0, 0, {2}},
    {"ZeroDurationAfterAnOpenInput",
     [](RunFixture &f) {
         f.params.FullTime = 0.0;
         f.add(-1, 1);
         f.add(0, -1);
     },
     8, 16, 766, kmr::EditMode::Solder, 0, 0, {2}},
};

// Every duration that gives no countable run is refused at the last step,
// once the wiring has passed.
struct Duration {
    const char *name;
    int32_t freq;
    double seconds;
};
const Duration kBadDurations[] = {
    {"Zero", 44100, 0.0},
    {"Negative", 44100, -1.0},
    {"NotANumber", 44100, std::numeric_limits<double>::quiet_NaN()},
    {"Infinite", 44100, std::numeric_limits<double>::infinity()},
    {"BeyondInt32", 44100, 48696.0},
    {"BeyondInt32AtDefaultRate", 0, 48696.0},
    {"NegativeRate", -44100, 1.0},
};

std::vector<CheckCase> allCheckCases() {
    std::vector<CheckCase> v(std::begin(kCheckCases), std::end(kCheckCases));
    for (const Duration &d : kBadDurations)
        v.push_back({d.name,
                     [d](RunFixture &f) {
                                         f.params.Freq = d.freq;
                         f.params.FullTime = d.seconds;
                         f.add(-1, 1);
                         f.add(1, -1);
                     },
                     9, 17, 767, kmr::EditMode::Main, 0, 0, {}});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Steps, RunCheckTest, ::testing::ValuesIn(allCheckCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(RunSamples, TruncatesAndRefusesWhatCannotBeCounted) {
    struct {
        int32_t freq;
        double seconds;
        int64_t samples;
    } cases[] = {
        {44100, 0.00001, 0}, {0, 1.0, 44100},        {11025, 2.5, 27562},
        {44100, 48695.0, 2147449500}, {44100, 48696.0, -1}, {44100, 0.0, -1},
        {44100, -0.5, -1},   {-1, 1.0, -1},
    };
    for (const auto &c : cases) EXPECT_EQ(kmr::RunSamples(c.freq, c.seconds), c.samples) << c.freq << " Hz, " << c.seconds << " s";
}

TEST(CheckMessage, PutsTheCountIntoTheUnorderedMessage) {
    Language.SetFolder(KMR_PROGRAM_DIR);
    ASSERT_TRUE(Language.LoadLanguage(1));
    kmr::RunCheck r;
    r.message = kmr::kMsgUnordered;
    r.count = 12;
    std::string text = kmr::CheckMessage(r);
    EXPECT_EQ(text.rfind("12 modules", 0), 0u) << text;
    EXPECT_EQ(text.find('%'), std::string::npos);
    r.message = kmr::kMsgNoModules;
    EXPECT_EQ(kmr::CheckMessage(r), GetString(kmr::kMsgNoModules));
    EXPECT_EQ(kmr::CheckMessage(kmr::RunCheck{}), "");
    Language.UnloadLanguage();
}

// ---------------------------------------------------------------------------
// The calculation thread

using ThreadGoTest = RunFixture;

TEST_F(ThreadGoTest, LevelsRunInSlotOrderOnClearedNets) {
    // Slots against the order of calculation, with a loop closed through a
    // feedback instance (slot 4) whose net is read before it is written.
    add(2, -1);              // 1: level 3
    add(1, 2);               // 2: level 2
    add(-1, 1);              // 3: level 1
    add(5, 4)->attr = matBACK; // 4: level 2
    add(4, 5);               // 5: level 1
    ASSERT_EQ(run(), kmr::RunEnd::Finished);
    const int expectedSequence[] = {0, 4, 2, 0, 3, 1};
    for (int s = 1; s <= 5; ++s) {
        ProbeData *p = probe(s);
        EXPECT_EQ(p->sequence, expectedSequence[s]) << "slot " << s;
        EXPECT_EQ(p->counts, 441) << "slot " << s;
        EXPECT_EQ(p->lastSample, 440) << "slot " << s;
        EXPECT_EQ(p->starts, 1);
        EXPECT_EQ(p->stops, 1);
    }
    EXPECT_EQ(probe(5)->firstInput, 0.0) << "net values are cleared after every Start";
    EXPECT_EQ(probe(1)->firstInput, 1.0) << "level 3 reads what level 2 wrote in the same sample";
    EXPECT_EQ(go.Samples(), 441);
    EXPECT_EQ(go.SamplesDone(), 441);
    EXPECT_EQ(go.Progress(), 100);
    EXPECT_EQ(go.Instances(), 5);
    EXPECT_GE(go.StopTime(), go.StartTime());
    EXPECT_FALSE(go.Running());
}

TEST_F(ThreadGoTest, ZeroRateRunsAt44100AndKeepsIt) {
    params.Freq = 0;
    params.FullTime = 0.001;
    add(-1, 1);
    add(1, -1);
    ASSERT_EQ(run(), kmr::RunEnd::Finished);
    EXPECT_EQ(params.Freq, 44100);
    EXPECT_EQ(probe(1)->freqAtStart, 44100);
    EXPECT_EQ(probe(2)->counts, 44);
}

TEST_F(ThreadGoTest, RunOfNoSampleStartsAndStopsEveryInstance) {
    params.FullTime = 0.00001;
    add(-1, 1);
    add(1, -1);
    ASSERT_EQ(run(), kmr::RunEnd::Finished);
    EXPECT_EQ(go.Samples(), 0);
    EXPECT_EQ(go.Progress(), 100);
    for (int s = 1; s <= 2; ++s) {
        EXPECT_EQ(probe(s)->starts, 1);
        EXPECT_EQ(probe(s)->stops, 1);
        EXPECT_EQ(probe(s)->counts, 0);
    }
}

TEST_F(ThreadGoTest, FileIndexIsZeroAtTheFirstStartOfEveryRun) {
    add(-1, 1);
    add(1, -1);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(run(), kmr::RunEnd::Finished);
        EXPECT_EQ(probe(1)->fileIndexAtStart, 0) << "run " << round;
        EXPECT_EQ(probe(2)->fileIndexAtStart, 1) << "run " << round;
        EXPECT_EQ(params.FileIndex, 2);
    }
}

TEST_F(ThreadGoTest, RefusedStartStopsEveryInstanceAndSelectsIt) {
    add(-1, 1);
    add(1, 2)->refuseStart = true;
    add(2, -1)->failStop = true;
    ASSERT_EQ(run(), kmr::RunEnd::StartFailed);
    EXPECT_EQ(go.RefusedSlot(), 2);
    EXPECT_EQ(go.StopFailures(), uint64_t(1) << 3);
    EXPECT_EQ(selected(), (std::set<int>{2, 3}));
    const int starts[] = {0, 1, 1, 0};
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(probe(s)->starts, starts[s]) << "slot " << s;
        EXPECT_EQ(probe(s)->stops, 1) << "slot " << s;
        EXPECT_EQ(probe(s)->counts, 0) << "slot " << s;
    }
    EXPECT_FALSE(go.Running());
}

TEST_F(ThreadGoTest, FailedStopIsSelectedAndTheRunStillFinishes) {
    add(-1, 1)->failStop = true;
    add(1, -1);
    ASSERT_EQ(run(), kmr::RunEnd::Finished);
    EXPECT_EQ(go.StopFailures(), uint64_t(1) << 1);
    EXPECT_EQ(go.RefusedSlot(), 0);
    EXPECT_EQ(selected(), std::set<int>{1});
    EXPECT_EQ(probe(2)->stops, 1);
}

TEST_F(ThreadGoTest, CancelEndsAfterTheSampleInProgressAndStopsEveryInstance) {
    params.FullTime = 10000.0; // far longer than the test waits
    add(-1, 1);
    add(1, 2);
    add(2, -1);
    std::promise<kmr::RunEnd> ended;
    auto end = ended.get_future();
    ASSERT_TRUE(go.Go([&ended](kmr::RunEnd e) { ended.set_value(e); }).ok);
    while (go.Running() && go.Progress() < 1) std::this_thread::yield();
    kmr::RunCheck second = go.Go([](kmr::RunEnd) { ADD_FAILURE() << "a second run started"; });
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.message, 0) << "a run in progress refuses silently";
    go.Cancel();
    EXPECT_EQ(end.get(), kmr::RunEnd::Cancelled);
    go.Wait();
    const int32_t counted = probe(1)->counts;
    EXPECT_GT(counted, 0);
    EXPECT_LT(counted, go.Samples());
    EXPECT_EQ(go.SamplesDone(), counted);
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(probe(s)->counts, counted) << "every level of the last sample ran, slot " << s;
        EXPECT_EQ(probe(s)->stops, 1) << "slot " << s;
    }
    EXPECT_LT(go.Progress(), 100);
    EXPECT_FALSE(go.Running());

    // The next run starts afresh.
    params.FullTime = 0.001;
    ASSERT_EQ(run(), kmr::RunEnd::Finished);
    EXPECT_EQ(probe(3)->counts, counted + 44);
}

} // namespace
