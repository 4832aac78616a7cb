// What the tests share: the folder of the stand-in types, the host's
// parameter record, and the stand-ins' own fields as they lay them out.
#pragma once

#include <dlfcn.h>

#include <string>

#include "Kmd.h"
#include "Module.h"

namespace stands {

inline std::string Path(const std::string &name) { return std::string(LIBRARY_KMD_DIR) + "/" + name; }

// True while the library at `path` is loaded in this process.
inline bool IsLoaded(const std::string &path) {
    void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!h) return false;
    dlclose(h); // drops the reference RTLD_NOLOAD took
    return true;
}

// The host's parameters with their own net values and descriptors.
struct Host {
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};

    Host() {
        params.Freq = 44100;
        params.FullTime = 5.0;
        params.Limitation = true;
        params.Val = val;
        params.Descr = descr;
        params.Lang = 1;
    }
};

#pragma pack(push, 4)
struct StandView : MODULE {
    int32_t Started;
    int32_t Stopped;
    double Last;
};
#pragma pack(pop)

inline StandView *View(MODULE *m) { return static_cast<StandView *>(m); }

} // namespace stands
