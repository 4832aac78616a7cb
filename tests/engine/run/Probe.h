// The instance layout of the run tests' probe module, shared by the plug-in
// and the tests, which read what each instance saw and set how it behaves.
#pragma once

#include "Kmd.h"

#pragma pack(push, 4)
struct ProbeData : MODULE {
    int32_t starts;           // Start calls
    int32_t stops;            // Stop calls
    int32_t counts;           // Count calls
    int32_t lastSample;       // sample number of the last Count
    int32_t fileIndexAtStart; // PARAMS.FileIndex when Start was called
    int32_t freqAtStart;      // PARAMS.Freq when Start was called
    int32_t sequence;         // place of this instance's first Count in its sample, from 0
    double firstInput;        // input 0 at sample 0
    bool refuseStart;         // Start answers false
    bool failStop;            // Stop answers false
};
#pragma pack(pop)
