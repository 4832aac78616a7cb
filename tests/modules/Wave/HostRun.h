// A calculation run as the host's calculation thread makes it, for the tests
// of the wave plug-ins: the file counter cleared, every instance started in
// order (a refusal stops them all), the nets cleared, every sample counted in
// order, every instance stopped.
#pragma once

#include <cstring>
#include <functional>
#include <vector>

#include "ModuleType.h"

namespace wavetest {

struct Placed {
    const MODULE_TYPE *type;
    MODULE *module;
};

struct RunResult {
    bool started = false;
    std::vector<bool> stopped; // what each Stop answered
};

// `before` runs ahead of each sample's counts (to set input nets), `after`
// behind them (to read output nets).
inline RunResult RunCalculation(PARAMS &params, const std::vector<Placed> &order, int samples,
                                const std::function<void(int)> &before = {},
                                const std::function<void(int)> &after = {}) {
    RunResult r;
    params.FileIndex = 0;
    r.started = true;
    for (const Placed &p : order)
        if (!kmd::Start(*p.type, p.module)) {
            r.started = false;
            break;
        }
    if (r.started) {
        std::memset(params.Val, 0, sizeof(double) * kNetCount);
        for (int cnt = 0; cnt < samples; ++cnt) {
            if (before) before(cnt);
            for (const Placed &p : order) kmd::Count(*p.type, p.module, cnt);
            if (after) after(cnt);
        }
    }
    for (const Placed &p : order) r.stopped.push_back(kmd::Stop(*p.type, p.module));
    return r;
}

} // namespace wavetest
