// One entry of the module library: a loaded plug-in and its pictures, and the
// host-side calls that reach the plug-in through its entry point.
#pragma once

#include <cstdint>
#include <memory>

#include "Kmd.h"
#include "Picture.h"

struct MODULE_TYPE {
    char FileName[64] = {};          // plug-in file name without folder
    void *Library = nullptr;         // loaded library; null marks an empty entry
    KMDFUNCTION Entry = nullptr;     // the library's entry point
    std::unique_ptr<kmr::Picture> Bitmap; // picture on the schematic ("BITMAP")
    std::unique_ptr<kmr::Picture> Tool;   // picture of the panel button ("TOOL")
    int32_t ToolImage = 0;           // index of Tool among the button pictures
    int32_t PanelPos = -1;           // position among the type buttons, -1 none
    bool OnPanel = false;            // button shown in the separate module window

    bool Loaded() const { return Library != nullptr && Entry != nullptr; }
};

// Host-side calls, one per function number. Each first checks that the
// entry holds a loaded library; when it does not, nothing is called and the
// neutral answer comes back (nothing, false, 0 or null).
namespace kmd {

void Create(const MODULE_TYPE &t, MODULE *m);
void Destroy(const MODULE_TYPE &t, MODULE *m);
void Setup(const MODULE_TYPE &t, MODULE *m);
void Describe(const MODULE_TYPE &t, MODULE *m);
void Count(const MODULE_TYPE &t, MODULE *m, int sample);
void SetParams(const MODULE_TYPE &t, PARAMS *p);
void Help(const MODULE_TYPE &t);
int Size(const MODULE_TYPE &t);
bool Start(const MODULE_TYPE &t, MODULE *m);
bool Stop(const MODULE_TYPE &t, MODULE *m);
// The stream for types without matNEEDHANDLE ...
bool Save(const MODULE_TYPE &t, MODULE *m, KMDSTREAM *out);
bool Load(const MODULE_TYPE &t, MODULE *m, KMDSTREAM *in);
// ... and a file descriptor for types with it.
bool SaveHandle(const MODULE_TYPE &t, MODULE *m, int fd);
bool LoadHandle(const MODULE_TYPE &t, MODULE *m, int fd);
bool Copy(const MODULE_TYPE &t, MODULE *m);
bool Paste(const MODULE_TYPE &t, MODULE *m);
const char *About(const MODULE_TYPE &t);
const char *ToolTip(const MODULE_TYPE &t);
// `locxy` as packed by KmdPackPoint: the press relative to the instance's loc.
bool MouseDown(const MODULE_TYPE &t, MODULE *m, int32_t locxy);

} // namespace kmd
