// The module library (AVMODULES: the plug-in types loaded in this run) and
// the scheme (MODULES: the module instances of the open schematic, their
// selection marks and their order of calculation).
//
// Pins of an instance are numbered alike everywhere: 1 is the output, 2..5
// are inputs 0..3, 0 means no pin. A pin exists when its offset point is
// present; its absolute position is `loc` plus the offset.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "Kmd.h"
#include "ModuleType.h"
#include "Surface.h"

// The table of loaded module types. A type's number is its entry index;
// loaded types fill entries 0, 1, 2, ... without gaps.
class AVMODULES {
public:
    static constexpr int kTypeCount = 64;

    // `params` is handed to every plug-in right after it is accepted.
    explicit AVMODULES(PARAMS *params = nullptr);
    ~AVMODULES(); // unloads every type
    AVMODULES(const AVMODULES &) = delete;
    AVMODULES &operator=(const AVMODULES &) = delete;

    void SetParams(PARAMS *params) { params_ = params; }
    PARAMS *Params() const { return params_; }

    // The folder plug-ins are loaded from; "kmd" (below the current folder)
    // unless set otherwise.
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    const std::string &Folder() const { return folder_; }

    // Loads "<folder>/<fileName>", checks it and, when it is accepted, stores
    // it in the first empty entry. Every refusal unloads the library again.
    bool LoadType(std::string_view fileName);

    // The entry of `type`; for a number outside 0..63 the spare entry, which
    // is always empty, so every call through it does nothing.
    MODULE_TYPE &GetType(int type);
    const MODULE_TYPE &GetType(int type) const;

    // The entry's file name; "noname" outside 0..63 and for an empty entry.
    const char *TypeName(int type) const;
    bool TypeExists(int type) const;
    // Loaded types, counted from entry 0 up to the first empty one.
    int CountTypes() const;

    // The first type whose file name, or whose tool tip (Windows-1251 bytes),
    // equals `text` without regard to ASCII case; -1 for none or an empty text.
    int FindByFileName(std::string_view text) const;
    int FindByToolTip(std::string_view text) const;

    // Draws the type's schematic picture with its top-left corner at (x, y)
    // by `op`, leaving the surface's raster operation as it was. Nothing for
    // an empty picture, an absent point or no surface.
    void DrawTypePicture(int type, kmr::Surface *surface, int x, int y, kmr::RasterOp op) const;

    // Frees every type's pictures, unloads its library and empties its entry.
    void UnloadAll();

private:
    MODULE_TYPE types_[kTypeCount + 1]; // the last one is the spare
    PARAMS *params_ = nullptr;
    std::string folder_ = "kmd";
};

// Operations on one instance. Each accepts a null instance and then answers
// the neutral value (nothing, 0 or an absent point).

// The MODULE defaults given before the type's Create: Index 0, empty
// UserName, loc, end, out and the four in points absent, nets 0, attr 0,
// amp 100.0, Bitmap null. level and the type's own bytes are not touched.
void InitInstance(MODULE *m);
// The pin lying exactly at `point`: the output first, then inputs 0..3.
int PinAt(const MODULE *m, CPOINT point);
// Absolute position of pin 1..5 when it exists; (-1, -1) otherwise.
CPOINT PinPosition(const MODULE *m, int pin);
// Net of pin 1..5 when it exists; 0 otherwise.
int PinNet(const MODULE *m, int pin);
// The pin nearest to `point` within a squared distance of 200; on equal
// distances the higher pin number. 0 for none or an absent point.
int NearestPin(const MODULE *m, CPOINT point);
// Draws the type's picture at loc by `op`, restoring the surface's raster
// operation; nothing without a surface, a picture, or a present loc and end.
void DrawInstance(const MODULE *m, kmr::Surface *surface, kmr::RasterOp op);
// Fills loc .. loc + end (both corners included) with the surface's
// background; nothing without a surface or a present loc and end.
void EraseInstance(const MODULE *m, kmr::Surface *surface);

// The scheme: instance slots 1..63 (slot 0 is never used), one selection
// mark per slot number, and the number of levels of the last ordering.
class MODULES {
public:
    static constexpr int kSlotCount = 64;
    static constexpr int kMaxInstances = kSlotCount - 1;
    // Order's answer when an instance carries a net number outside 0..1023.
    static constexpr int kNetOutOfRange = -1;

    explicit MODULES(AVMODULES &types);
    ~MODULES(); // frees every block, without the types' Destroy
    MODULES(const MODULES &) = delete;
    MODULES &operator=(const MODULES &) = delete;

    AVMODULES &Types() const { return types_; }

    // The surface instances are drawn on; null draws nothing.
    void SetSurface(kmr::Surface *surface) { surface_ = surface; }
    kmr::Surface *GetSurface() const { return surface_; }

    // The instance in `slot`, null for an empty slot or one outside 1..63.
    MODULE *Get(int slot) const;
    MODULE *operator[](int slot) const { return Get(slot); }
    // The selection mark of `slot` (false outside 1..63).
    bool Selected(int slot) const;
    // Sets or clears a mark without drawing.
    void Mark(int slot, bool selected);

    // Creates an instance of `type` (number `typeNumber`) in the lowest empty
    // slot: a zero-filled block of the type's size, the MODULE defaults, the
    // type's Create, then Index and Bitmap. Neither placed nor drawn.
    // Answers the slot, or 0 when the scheme is full, the type's size is
    // unusable or no memory can be had.
    int AddInstance(const MODULE_TYPE &type, int typeNumber);
    // Erases the instance, calls its type's Destroy, frees it and clears the
    // slot and its mark; then compacts. False only for a slot outside 1..63.
    bool DeleteInstance(int slot);
    // Erases and frees every instance, without the types' Destroy.
    void ClearAll();
    // Moves instances down into empty slots, keeping their order; marks stay
    // with slot numbers. Answers the number of instances.
    int Compact();
    int CountInstances() const;

    // The lowest slot whose placed instance covers `point` (edges included).
    int FindAt(CPOINT point) const;
    int FindAtExcept(CPOINT point, int except) const;
    // The lowest slot whose instance has a pin exactly at `point`.
    int FindPinOwner(CPOINT point) const;
    // The net of the pin of `slot` exactly at `point`: set it, or read it
    // (0 when there is none).
    void SetPinNet(int slot, CPOINT point, int net);
    int GetPinNet(int slot, CPOINT point) const;

    // Clears every mark (redrawing unselected); then, for a net other than 0,
    // marks without drawing every instance with a pin net equal to it and
    // answers how many.
    int SelectOnNet(int net);
    // Every pin net equal to `oldNet` becomes `newNet`; nothing for newNet 0.
    void RenumberPinNets(int oldNet, int newNet);
    // Every existing pin whose net is `net` gets net 0; nothing for net 0.
    void ClearPinNets(int net);
    // Clears every mark (redrawing unselected) and answers the lowest net
    // driven by more than one output, or 0.
    int FindMultiDrivenNet();

    // Draws the instance with the copy operation; false for an empty slot.
    bool DrawOne(int slot);
    // Erases the instance and draws it inverted; false for an empty slot.
    bool DrawSelected(int slot);
    // Every instance in the look its mark asks for.
    void DrawAll();
    void Select(int slot);
    void Deselect(int slot);
    void DeselectAll();

    // Used by the calculation thread, so they only set marks and never draw;
    // the editor redraws when the run has ended.
    // Clears every mark and starts the instances in slot order; at the first
    // that refuses, marks it, starts no more and answers false.
    bool StartAll();
    // Stops every instance, marking each whose Stop answers false; answers
    // whether every Stop succeeded.
    bool StopAll();
    // One sample of the instance in `slot`.
    void CountInstance(int slot, int sample);

    // Gives every instance its level of calculation and sets `levels`.
    // Answers the number of instances left without a level (they are
    // selected), or kNetOutOfRange when a pin carries a net outside 0..1023
    // (that instance is selected).
    int Order();
    // After Order: counts (and selects the instances of) every existing input
    // whose net is not known; an instance with two such inputs counts twice.
    int FindUnconnectedInputs();

    // The highest level given by the last Order.
    int32_t levels = 0;

private:
    bool valid(int slot) const { return slot >= 1 && slot < kSlotCount; }
    void freeSlot(int slot, bool destroy);
    void clearMarksAndRedraw();

    MODULE *slots_[kSlotCount] = {};
    std::atomic<bool> marks_[kSlotCount] = {};
    AVMODULES &types_;
    kmr::Surface *surface_ = nullptr;
    // Order's table: a set flag means the net's value is known at that
    // point of a sample. FindUnconnectedInputs reads it afterwards.
    bool known_[kNetCount] = {};
    bool knownValid_ = false;
};
