#include "Run.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <system_error>
#include <utility>

#include "Strings.h"
#include "Surface.h"

namespace kmr {

PARAMS StartParams(double *val, DESCRIPTOR *descr, char lang) {
    PARAMS p{};
    p.Freq = kDefaultFreq;
    p.FullTime = kDefaultFullTime;
    p.Limitation = true;
    p.Fast = false;
    p.Val = val;
    p.Lang = lang;
    p.FileIndex = 0;
    p.Descr = descr;
    return p;
}

int64_t RunSamples(int32_t freq, double seconds) {
    if (freq == 0) freq = kDefaultFreq;
    // "Not above 0" also catches NaN.
    if (freq < 0 || !(seconds > 0.0)) return -1;
    double samples = std::trunc((double)freq * seconds);
    if (!(samples < 2147483648.0)) return -1; // beyond int32, or infinite
    return (int64_t)samples;
}

RunCheck CheckRun(MODULES &scheme, WIRES &wires, const PARAMS &params) {
    RunCheck r;
    r.caption = kMsgCheckCaption;
    auto refuse = [&r](int step, int message, int help, EditMode mode) {
        r.step = step;
        r.message = message;
        r.help = help;
        r.mode = mode;
        return r;
    };

    if (scheme.CountInstances() == 0) return refuse(1, kMsgNoModules, 760, EditMode::Main);
    if (wires.CountSegments() == 0) return refuse(2, kMsgNoWires, 761, EditMode::Solder);
    if (wires.CountNets() == 0) return refuse(3, kMsgNoNets, 762, EditMode::Solder);

    // A net with two drivers is shown in red with the instances on it; the
    // highlight outlives the mode change, which therefore does not reset it.
    int net = scheme.FindMultiDrivenNet();
    if (net != 0) {
        if (net > 0) {
            r.net = net;
            wires.DrawNet(net, kRed);
            if (scheme.SelectOnNet(net) > 0) {
                scheme.DrawAll();
                r.redraw = true;
            }
        }
        r.resetHighlight = false;
        r.keepHighlight = true;
        return refuse(4, kMsgMultiDriven, 763, EditMode::Delete);
    }

    // Step 5 (no memory for Order's flag table) cannot happen here: the table
    // is part of the scheme.
    int unordered = scheme.Order();
    if (unordered == MODULES::kNetOutOfRange) {
        r.redraw = true;
        return refuse(6, kMsgNetOutOfRange, 764, EditMode::Delete);
    }
    if (unordered > 0) {
        r.count = unordered;
        r.redraw = true;
        return refuse(7, unordered == 1 ? kMsgOneUnordered : kMsgUnordered, 765, EditMode::Unchanged);
    }
    if (scheme.FindUnconnectedInputs() > 0) {
        r.redraw = true;
        return refuse(8, kMsgUnconnected, 766, EditMode::Solder);
    }
    // A duration of 0 and every duration that gives no countable run.
    if (RunSamples(params.Freq, params.FullTime) < 0) return refuse(9, kMsgNoDuration, 767, EditMode::Main);

    r.ok = true;
    r.caption = 0;
    r.mode = EditMode::Unchanged;
    return r;
}

std::string CheckMessage(const RunCheck &check) {
    if (check.message == 0) return {};
    std::string text = GetString(check.message);
    if (check.message == kMsgUnordered) {
        // The count replaces the one placeholder; the text itself is never
        // used as a format.
        size_t at = text.find("%d");
        if (at != std::string::npos) text.replace(at, 2, std::to_string(check.count));
    }
    return text;
}

int64_t TickCount() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------------------
// ThreadGo

ThreadGo::ThreadGo(MODULES &scheme, WIRES &wires, PARAMS &params)
    : scheme_(scheme), wires_(wires), params_(params) {}

ThreadGo::~ThreadGo() {
    Cancel();
    Wait();
}

void ThreadGo::Wait() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

RunCheck ThreadGo::Go(RunEndNotice notice) {
    // A run in progress, or a call from the end notice of the last run (its
    // thread cannot wait for itself), starts nothing and shows nothing.
    if (Running() || (thread_.joinable() && thread_.get_id() == std::this_thread::get_id())) return RunCheck{};
    Wait(); // the last run's thread has ended its work; let it go

    RunCheck check = CheckRun(scheme_, wires_, params_);
    if (!check.ok) return check;

    notice_ = std::move(notice);
    cancel_.store(false, std::memory_order_relaxed);
    // Set before the thread exists, so a caller polling right after Go
    // already sees the run.
    running_.store(true, std::memory_order_release);
    progress_.store(0, std::memory_order_relaxed);
    try {
        thread_ = std::thread([this] {
            RunEnd end = RunEnd::Finished;
            work(end);
            // The state is final before anyone hears of the end: a handler of
            // the notice reads the elapsed time and may start the next run.
            stopTime_.store(TickCount(), std::memory_order_relaxed);
            running_.store(false, std::memory_order_release);
            if (notice_) notice_(end);
        });
    } catch (const std::system_error &) {
        // No thread could be had: nothing was started, and the user hears so.
        running_.store(false, std::memory_order_release);
        check.ok = false;
        check.message = kMsgNoMemory;
        check.caption = kMsgCheckCaption;
    }
    return check;
}

void ThreadGo::work(RunEnd &end) {
    progress_.store(0, std::memory_order_relaxed);
    done_.store(0, std::memory_order_relaxed);
    refusedSlot_.store(0, std::memory_order_relaxed);
    stopFailures_.store(0, std::memory_order_relaxed);
    startTime_.store(TickCount(), std::memory_order_relaxed);
    params_.FileIndex = 0;
    if (params_.Freq == 0) params_.Freq = kDefaultFreq;
    // The check refused every run whose length cannot be counted.
    const int32_t samples = (int32_t)std::max<int64_t>(RunSamples(params_.Freq, params_.FullTime), 0);
    samples_.store(samples, std::memory_order_relaxed);
    instances_.store(scheme_.CountInstances(), std::memory_order_relaxed);

    // Stop failures are the marks StopAll sets.
    auto stopAll = [this] {
        scheme_.StopAll();
        uint64_t failed = 0;
        for (int s = 1; s < MODULES::kSlotCount; ++s)
            if (scheme_.Selected(s)) failed |= uint64_t(1) << s;
        stopFailures_.store(failed, std::memory_order_relaxed);
    };

    if (!scheme_.StartAll()) {
        // StartAll marked only the refusing instance. Its mark is taken off
        // while every instance is stopped, so the marks StopAll leaves are
        // its failures, and is put back afterwards.
        int refused = 0;
        for (int s = 1; s < MODULES::kSlotCount && !refused; ++s)
            if (scheme_.Selected(s)) refused = s;
        scheme_.Mark(refused, false);
        stopAll();
        scheme_.Mark(refused, true);
        refusedSlot_.store(refused, std::memory_order_relaxed);
        end = RunEnd::StartFailed;
        return;
    }

    startTime_.store(TickCount(), std::memory_order_relaxed);
    if (params_.Val) std::fill(params_.Val, params_.Val + kNetCount, 0.0);
    const int n = scheme_.Compact();

    // Every Count of one sample, in level order and within a level in slot
    // order, gathered once so the sample loop only calls.
    struct Call {
        KMDFUNCTION entry;
        MODULE *instance;
    };
    std::array<Call, MODULES::kMaxInstances> calls{};
    int count = 0;
    const AVMODULES &types = scheme_.Types();
    for (int level = 1; level <= scheme_.levels; ++level)
        for (int s = 1; s <= n; ++s) {
            MODULE *m = scheme_.Get(s);
            if (!m || m->level != level) continue;
            const MODULE_TYPE &t = types.GetType(m->Index);
            if (t.Loaded()) calls[count++] = Call{t.Entry, m};
        }

    // The calls go four at a time, which quarters the loop's own steps; the
    // count & 3 calls left over come first, one by one.
    const Call *const callsEnd = calls.data() + count;
    const int lead = count & 3;
    // The samples go in blocks: the count of samples done, the cancel flag
    // and the percentage are looked at between blocks, not between samples.
    // A block is a few milliseconds of sound at any rate, so a cancel still
    // ends the run at once and the progress moves as smoothly.
    constexpr int32_t kBlock = 256;
    ProgressCounter percent(samples);
    bool cancelled = false;
    for (int32_t first = 0; first < samples;) {
        const int32_t blockEnd = samples - first > kBlock ? first + kBlock : samples;
        for (int32_t s = first; s < blockEnd; ++s) {
            const Call *c = calls.data();
            switch (lead) {
            case 3: c->entry(fnCOUNT, c->instance, s); ++c; [[fallthrough]];
            case 2: c->entry(fnCOUNT, c->instance, s); ++c; [[fallthrough]];
            case 1: c->entry(fnCOUNT, c->instance, s); ++c; [[fallthrough]];
            default: break;
            }
            for (; c != callsEnd; c += 4) {
                c[0].entry(fnCOUNT, c[0].instance, s);
                c[1].entry(fnCOUNT, c[1].instance, s);
                c[2].entry(fnCOUNT, c[2].instance, s);
                c[3].entry(fnCOUNT, c[3].instance, s);
            }
        }
        first = blockEnd;
        done_.store(blockEnd, std::memory_order_relaxed);
        if (cancel_.load(std::memory_order_relaxed)) {
            cancelled = true;
            break;
        }
        if (percent.Step(blockEnd - 1)) progress_.store(percent.Percent(), std::memory_order_relaxed);
    }
    if (!cancelled) progress_.store(100, std::memory_order_relaxed);

    stopAll();
    end = cancelled ? RunEnd::Cancelled : RunEnd::Finished;
}

} // namespace kmr
