// Playing a wave file from a plug-in.
//
// Sound output belongs to the host program: a host with a sound player
// exports KmrPlaySound(path) and KmrStopSound(). A plug-in finds them at call
// time, so it links nothing for sound and loads and runs in a host without
// them (the renderer, tests), where playing does nothing.
#pragma once

#include <dlfcn.h>

#include <cstddef>
#include <cstring>

#include "Kmd.h"

namespace kmd {

// Starts playing the wave file `path` and returns at once; a new call
// replaces the sound that is playing. An empty name plays nothing.
inline void PlaySound(const char *path) {
    if (!path || !*path) return;
    using Play = void (*)(const char *);
    if (auto play = reinterpret_cast<Play>(dlsym(RTLD_DEFAULT, "KmrPlaySound"))) play(path);
}

// Stops what is playing.
inline void StopSound() {
    using Stop = void (*)();
    if (auto stop = reinterpret_cast<Stop>(dlsym(RTLD_DEFAULT, "KmrStopSound"))) stop();
}

// A press on the play button of a module's picture, the rectangle (x0, y0) ..
// (x1, y1) of offsets from `loc`, ends included: plays the file named in the
// field `file` of `size` bytes (when it names one) and answers true. Presses
// elsewhere, and any press on an instance that is not placed, answer false.
inline bool PlayOnSpot(const MODULE *m, int32_t locxy, int x0, int y0, int x1, int y1, const char *file,
                       size_t size) {
    if (m->loc.x < 0 || m->loc.y < 0) return false;
    const int x = KmdPointX(locxy), y = KmdPointY(locxy);
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    char name[512];
    if (size > sizeof name) size = sizeof name;
    const void *nul = std::memchr(file, 0, size);
    if (nul) {
        std::memcpy(name, file, (size_t)(static_cast<const char *>(nul) - file) + 1);
        PlaySound(name);
    } // a name that fills its whole field without an end is not played
    return true;
}

} // namespace kmd
