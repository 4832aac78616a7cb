// The records and the calling protocol shared by the main program and every
// module plug-in: the instance record MODULE, the calculation parameters
// PARAMS, the function numbers of the entry point and the save/load stream.
//
// These layouts cross library boundaries and the bytes of MODULE from
// UserName to amp, and the first 14 bytes of PARAMS, go into project files.
// Everything is packed to 4 bytes; pointer fields are 8 bytes wide here, so
// only the fields behind the first pointer of each record move.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Descrip.h"

#pragma pack(push, 4)

// A point of the drawing surface in pixels, or an offset from a module's
// origin. (-1, -1) marks an absent point, such as a pin a type does not have.
struct CPOINT {
    int32_t x;
    int32_t y;

    void Set(int32_t ax, int32_t ay) {
        x = ax;
        y = ay;
    }
    // Present when both coordinates are 0 or greater.
    bool Valid() const { return x >= 0 && y >= 0; }
};

// Attribute bits of MODULE::attr.
enum : int32_t {
    matBACK = 1,       // feedback module: its output counts as known at the start of a sample
    matNEEDHANDLE = 2, // own data are saved and loaded through a file descriptor
};

// The start of every instance block. A plug-in's module class derives from
// it and keeps its own fields behind it.
struct MODULE {
    int32_t Index;      // type number in the module library; set by the host
    char UserName[32];  // user's text, Windows-1251, NUL-terminated
    CPOINT loc;         // top-left corner of the picture on the drawing surface
    CPOINT end;         // picture size minus one, set by the plug-in
    CPOINT in[4];       // input pins relative to loc; (-1, -1) when absent
    int32_t wirein[4];  // net of each input, 0 when unconnected
    CPOINT out;         // output pin relative to loc; (-1, -1) when absent
    int32_t wireout;    // net of the output, 0 when unconnected
    int32_t level;      // order of calculation, 0 while not ordered
    int32_t attr;       // matBACK, matNEEDHANDLE
    double amp;         // gain in percent
    void *Bitmap;       // the type's picture, owned by the module library
};

// Host function that shows a PCM wave file (viewer or spectrum).
extern "C" {
typedef void (*SHOWFUNCTION)(char *filename);
}

// Calculation parameters shared by the host and every plug-in.
struct PARAMS {
    int32_t Freq;          // sample rate in Hz
    double FullTime;       // duration in seconds
    bool Limitation;       // clip outputs to the 16-bit range
    bool Fast;             // reserved: kept false and carried through files
    double *Val;           // the 1024 net values
    char Lang;             // interface language, 0 Russian, other English for plug-ins
    void *MainForm;        // owner of plug-in dialogs
    int32_t FileIndex;     // counter for unique numbers, cleared at each run start
    SHOWFUNCTION WaveShow; // show a wave file in the viewer
    SHOWFUNCTION SpectrumShow; // show a wave file's spectrum
    DESCRIPTOR *Descr;     // the host's 16 inspector rows
};

#pragma pack(pop)

// Sizes of the parts of the records that go into project files.
constexpr size_t kModuleSavedOffset = 4;
constexpr size_t kModuleSavedBytes = 124; // UserName .. amp
constexpr size_t kParamsSavedBytes = 14;  // Freq .. Fast
constexpr int kNetCount = 1024;           // entries of PARAMS::Val
constexpr int kDescriptorCount = 16;      // rows of PARAMS::Descr

static_assert(sizeof(CPOINT) == 8);
static_assert(offsetof(MODULE, Index) == 0);
static_assert(offsetof(MODULE, UserName) == 4);
static_assert(offsetof(MODULE, loc) == 36);
static_assert(offsetof(MODULE, end) == 44);
static_assert(offsetof(MODULE, in) == 52);
static_assert(offsetof(MODULE, wirein) == 84);
static_assert(offsetof(MODULE, out) == 100);
static_assert(offsetof(MODULE, wireout) == 108);
static_assert(offsetof(MODULE, level) == 112);
static_assert(offsetof(MODULE, attr) == 116);
static_assert(offsetof(MODULE, amp) == 120);
static_assert(offsetof(MODULE, Bitmap) == 128);
static_assert(offsetof(MODULE, Bitmap) == kModuleSavedOffset + kModuleSavedBytes);
static_assert(sizeof(void *) == 8 && sizeof(MODULE) == 136);

static_assert(offsetof(PARAMS, Freq) == 0);
static_assert(offsetof(PARAMS, FullTime) == 4);
static_assert(offsetof(PARAMS, Limitation) == 12);
static_assert(offsetof(PARAMS, Fast) == 13);
static_assert(offsetof(PARAMS, Val) == 16);
static_assert(offsetof(PARAMS, Val) >= kParamsSavedBytes);
static_assert(offsetof(PARAMS, Lang) == 24);
static_assert(offsetof(PARAMS, MainForm) == 28);
static_assert(offsetof(PARAMS, FileIndex) == 36);
static_assert(offsetof(PARAMS, WaveShow) == 40);
static_assert(offsetof(PARAMS, SpectrumShow) == 48);
static_assert(offsetof(PARAMS, Descr) == 56);
static_assert(sizeof(PARAMS) == 64);

// Function numbers of the entry point.
enum : int {
    fnCREATE = 0,
    fnDESTROY = 1,
    fnSETUP = 2,
    fnDESCR = 3,
    fnCOUNT = 4,
    fnPARAMS = 5,
    fnHELP = 6,
    fnSIZE = 7,
    fnSTART = 8,
    fnSTOP = 9,
    fnSAVE = 10,
    fnLOAD = 11,
    fnCOPY = 12,
    fnPASTE = 13,
    fnAbout = 14,
    fnTOOLTIP = 15,
    fnMOUSEDOWN = 16,
};
constexpr int kFunctionCount = 17;

// The entry point every plug-in exports as "Function". `par` and the result
// are pointer-wide because they carry texts and streams.
extern "C" {
typedef intptr_t (*KMDFUNCTION)(int funcnum, void *data, intptr_t par);
}
#define KMD_ENTRY_NAME "Function"

// The about text of every plug-in begins with these 23 characters.
#define KMD_ABOUT_PREFIX "KELMORAQUANTIBEX MODULE"
constexpr size_t kAboutPrefixLength = 23;
static_assert(sizeof(KMD_ABOUT_PREFIX) - 1 == kAboutPrefixLength);

// Name of the exported data symbol holding a library's resource image:
// a 4-byte little-endian length followed by a resource file image.
#define KMD_RESOURCES_NAME "KmrResources"

// A byte stream handed to fnSAVE and fnLOAD (when the instance does not ask
// for a file descriptor). It behaves like a C++ binary stream: a short write
// or read sets `failed`, which stays set.
extern "C" {
struct KMDSTREAM {
    void *context;
    // Each moves up to `size` bytes and answers how many it moved.
    intptr_t (*write)(void *context, const void *data, intptr_t size);
    intptr_t (*read)(void *context, void *data, intptr_t size);
    int failed;
};
}

// Block write: writes all `size` bytes or marks the stream failed.
inline bool KmdWrite(KMDSTREAM *s, const void *data, size_t size) {
    if (!s) return false;
    if (s->failed) return false;
    if (size == 0) return true;
    if (!s->write || s->write(s->context, data, (intptr_t)size) != (intptr_t)size) s->failed = 1;
    return !s->failed;
}

// Block read: reads exactly `size` bytes or marks the stream failed.
inline bool KmdRead(KMDSTREAM *s, void *data, size_t size) {
    if (!s) return false;
    if (s->failed) return false;
    if (size == 0) return true;
    if (!s->read || s->read(s->context, data, (intptr_t)size) != (intptr_t)size) s->failed = 1;
    return !s->failed;
}

// True while no write or read has fallen short.
inline bool KmdGood(const KMDSTREAM *s) { return s && !s->failed; }

// The point of a mouse press handed to fnMOUSEDOWN: the horizontal offset
// into the picture in the high 16 bits, the vertical one in the low 16.
inline int32_t KmdPackPoint(int32_t dx, int32_t dy) {
    return (int32_t)(((uint32_t)dx << 16) + (uint32_t)dy);
}
inline int32_t KmdPointX(int32_t locxy) { return (locxy >> 16) & 0xFFFF; }
inline int32_t KmdPointY(int32_t locxy) { return locxy & 0xFFFF; }
