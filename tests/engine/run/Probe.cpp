// A module for the run tests: one input and one output (the tests reshape the
// pins), counting its calls and recording what it saw. Start draws a number
// from PARAMS.FileIndex and fills every net value with 99, so a test can tell
// that the values are cleared after every instance started.
#include "Plugin.h"
#include "Probe.h"

namespace {
int sequence = 0; // first Counts of the current run, in calling order
}

class Probe : public ProbeData {
public:
    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 16);
        out.Set(32, 16);
    }
    bool Start() {
        ++starts;
        freqAtStart = Params->Freq;
        if (Params->FileIndex == 0) sequence = 0;
        fileIndexAtStart = Params->FileIndex++;
        for (int i = 0; i < kNetCount; ++i) Params->Val[i] = 99.0;
        return !refuseStart;
    }
    void Count(int cnt) {
        if (counts == 0) {
            firstInput = Params->Val[wirein[0]];
            this->sequence = ::sequence++;
        }
        ++counts;
        lastSample = cnt;
        if (wireout) Params->Val[wireout] = cnt + 1.0;
    }
    bool Stop() {
        ++stops;
        return !failStop;
    }
    static const char *About() { return KMD_ABOUT_PREFIX " 4.0\nRun test probe"; }
    static const char *ToolTip() { return "Probe"; }
};

KMD_PLUGIN(Probe)
