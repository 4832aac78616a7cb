// What the module types share beyond the entry protocol: the about text,
// tool tips by language, the limitation rule, writing the output, a safe
// conversion to integers and the help lookup.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "Plugin.h"

// The about text of the system's plug-ins: the version line, then the
// type's own line.
#define KMD_ABOUT(line) KMD_ABOUT_PREFIX " 4.0\n" line

namespace kmd {

// The type's short name: English for every language but Russian (0).
inline const char *Tip(const char *russian1251, const char *english) {
    return Params && Params->Lang ? english : russian1251;
}

// Clips to the range of 16-bit samples. The lower test is written as "not
// greater or equal" so that NaN becomes -32768.0.
inline double Clip(double v) {
    if (v > 32767.0) v = 32767.0;
    if (!(v >= -32768.0)) v = -32768.0;
    return v;
}

// Clips only while the calculation asks for limitation.
inline double Limit(double v) { return Params->Limitation ? Clip(v) : v; }

// Writes the module's result to its output net, when it has one.
inline void Output(const MODULE *m, double v) {
    if (m->wireout) Params->Val[m->wireout] = v;
}

// The value of input i: 0.0 when unconnected (net 0 always holds 0.0).
inline double Input(const MODULE *m, int i) { return Params->Val[m->wirein[i]]; }

// Truncation toward zero that never reaches an undefined conversion: NaN
// gives 0, values beyond the int32 range give its nearest end.
inline int32_t ToInt(double v) {
    // Nearly every value lies inside the range: one test for all of them.
    if (v > -2147483648.0 && v < 2147483647.0) [[likely]]
        return (int32_t)v;
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

// Shows topic `context` of the help, an HTML tree in Help/ below the current
// folder (Help/index.html, one page per topic). The host shows it through its
// exported KmrShowHelp(index, topic); without the help tree, or in a host
// without a help window (the renderer), nothing happens.
inline void Help(int context) {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return;
    std::string index = std::string(cwd) + "/Help/index.html";
    if (access(index.c_str(), F_OK) != 0) return;
    using ShowHelp = void (*)(const char *index, int topic);
    if (auto show = reinterpret_cast<ShowHelp>(dlsym(RTLD_DEFAULT, "KmrShowHelp"))) show(index.c_str(), context);
}

} // namespace kmd
