// The calculation run: the check that refuses schematics which cannot be
// calculated and orders the others, and the calculation thread, which starts
// every instance, computes the samples level by level and stops every
// instance again.
//
// The run state is written by the calculation thread and read by any other
// thread (the editor polls it every 100 ms); every field of it is atomic.
// The end of a run is told once through a callback, called on the
// calculation thread after the run state is final; the editor posts it to its
// window, the renderer wakes its waiting main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "Kmd.h"
#include "Module.h"
#include "Wire.h"

namespace kmr {

// Editing modes of the editor, by their numbers; Unchanged leaves the mode.
enum class EditMode : int32_t { Unchanged = -1, Main = 0, Delete = 1, Move = 2, Solder = 3, Ask = 4, Go = 5 };

// Text numbers of the run's messages.
enum : int {
    kMsgNoModules = 7,
    kMsgNoWires = 8,
    kMsgCheckCaption = 9,
    kMsgNoNets = 10,
    kMsgMultiDriven = 11,
    kMsgNoMemory = 12,
    kMsgNetOutOfRange = 13,
    kMsgOneUnordered = 14,
    kMsgUnordered = 15, // a format with one %d: the count
    kMsgUnconnected = 16,
    kMsgNoDuration = 17,
    kMsgStartFailed = 20,
    kMsgStartFailedCaption = 21,
};

// Help topic shown after a module refused to start.
constexpr int kHelpStartFailed = 768;

// The sample rate a run takes when the parameters hold 0.
constexpr int32_t kDefaultFreq = 44100;
// The length of a new schematic's run, in seconds.
constexpr double kDefaultFullTime = 5.0;

// The parameters a host starts with, before any project is read: the
// default rate and length, outputs limited, file numbers from 0, and the
// host's own net values and inspector rows.
PARAMS StartParams(double *val, DESCRIPTOR *descr, char lang);

// What the run check found: on a refusal, everything the editor shows.
struct RunCheck {
    bool ok = false;     // every step passed (the scheme is ordered)
    int step = 0;        // the refusing step 1..9; 0 when ok
    int message = 0;     // text number of the message; 0 when ok
    int caption = 0;     // text number of the caption
    int count = 0;       // for message 15: the number of unordered instances
    int net = 0;         // for message 11: the net drawn in red (0 when unknown)
    int help = 0;        // help topic to open after the message; 0 none
    EditMode mode = EditMode::Unchanged; // mode of the editor afterwards
    bool resetHighlight = true; // the mode change ends highlights (not step 4)
    bool redraw = false; // selection marks changed: redraw the scheme
    bool keepHighlight = false; // step 4: the red net stays until the next mode change
};

// Number of samples of a run at `freq` (0 standing for 44100) lasting
// `seconds`, truncated toward zero; -1 when there is no such run: a duration
// of 0, below 0 or not a number, a negative rate, or a count beyond int32.
int64_t RunSamples(int32_t freq, double seconds);

// The nine steps of the run check, in order; the first that fails refuses.
// Orders the scheme, and on refusal leaves the marks (and, for a net driven
// twice, the net drawn in red) as the editor is to show them.
RunCheck CheckRun(MODULES &scheme, WIRES &wires, const PARAMS &params);

// The message of a refused check in the loaded language, the count put into
// message 15.
std::string CheckMessage(const RunCheck &check);

// The percentage of a run done after sample s, s x 100 / samples, followed
// sample by sample. It changes only at the first sample where s x 100
// reaches the next multiple of samples, so each sample costs one comparison
// with that sample instead of a division.
class ProgressCounter {
public:
    explicit ProgressCounter(int32_t samples) : samples_(samples), next_(nextChange(0)) {}
    // Moves to sample s (0, 1, 2, ... in turn); true when the percentage
    // changed with it.
    bool Step(int32_t s) {
        if (s < next_) return false;
        percent_ = (int32_t)((int64_t)s * 100 / samples_);
        next_ = nextChange(percent_);
        return true;
    }
    int32_t Percent() const { return percent_; }

private:
    // The first sample whose percentage is above `percent`; none in a run
    // without samples.
    int64_t nextChange(int64_t percent) const {
        return samples_ > 0 ? ((percent + 1) * samples_ + 99) / 100 : INT64_MAX;
    }

    int64_t samples_;
    int32_t percent_ = 0;
    int64_t next_;
};

// How a run ended.
enum class RunEnd { Finished, Cancelled, StartFailed };

// The end notice; called once per run, on the calculation thread.
using RunEndNotice = std::function<void(RunEnd)>;

// Milliseconds of the monotonic clock.
int64_t TickCount();

// The calculation thread and the run state. One object serves the program's
// runs one after another.
class ThreadGo {
public:
    ThreadGo(MODULES &scheme, WIRES &wires, PARAMS &params);
    // Cancels a run in progress and waits for its end.
    ~ThreadGo();
    ThreadGo(const ThreadGo &) = delete;
    ThreadGo &operator=(const ThreadGo &) = delete;

    // The Go command: refuses (ok false, message 0) while a run is in
    // progress; otherwise runs the check and, when it passes, starts the
    // calculation thread. `notice` is called when that run has ended; it
    // must not start another run itself.
    RunCheck Go(RunEndNotice notice);

    // Asks the running calculation to stop after the sample in progress.
    // Only an atomic store, so a signal handler may call it.
    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }

    // Waits until the thread of the last run has ended (returns at once when
    // there is none).
    void Wait();

    // Run state, readable from any thread.
    bool Running() const { return running_.load(std::memory_order_acquire); }
    int32_t Progress() const { return progress_.load(std::memory_order_relaxed); }
    int32_t Samples() const { return samples_.load(std::memory_order_relaxed); }
    // Samples computed so far (all of them after a finished run).
    int32_t SamplesDone() const { return done_.load(std::memory_order_relaxed); }
    int64_t StartTime() const { return startTime_.load(std::memory_order_relaxed); }
    int64_t StopTime() const { return stopTime_.load(std::memory_order_relaxed); }
    // Instances that took part in the last run.
    int32_t Instances() const { return instances_.load(std::memory_order_relaxed); }
    // The slot whose Start refused the last run; 0 when none did.
    int32_t RefusedSlot() const { return refusedSlot_.load(std::memory_order_relaxed); }
    // One bit per slot (bit s for slot s) whose Stop answered false in the
    // last run.
    uint64_t StopFailures() const { return stopFailures_.load(std::memory_order_relaxed); }

private:
    void work(RunEnd &end);

    MODULES &scheme_;
    WIRES &wires_;
    PARAMS &params_;
    std::thread thread_;
    RunEndNotice notice_;

    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<int32_t> progress_{0};
    std::atomic<int32_t> samples_{0};
    std::atomic<int32_t> done_{0};
    std::atomic<int64_t> startTime_{0};
    std::atomic<int64_t> stopTime_{0};
    std::atomic<int32_t> instances_{0};
    std::atomic<int32_t> refusedSlot_{0};
    std::atomic<uint64_t> stopFailures_{0};
};

} // namespace kmr
