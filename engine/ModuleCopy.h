// Copy and paste of one module instance. The copied settings live in the
// plug-in's own one-slot buffer; the host remembers only which type was
// copied last.
#pragma once

#include "Kmd.h"
#include "Module.h"
#include "Netedit.h"
#include "Wire.h"

namespace kmr {

class MODULECOPY {
public:
    // The type number copied last, -1 when nothing has been copied. It is
    // kept across New and Open.
    int copiedType = -1;

    // Whether the paste command can be offered.
    bool CanPaste() const { return copiedType != -1; }

    // Copies the instance in `slot` into its type's buffer. A type that
    // refuses leaves the copied type as it was; an unloaded type clears it.
    void CopyModule(MODULES &scheme, int slot);

    struct PasteResult {
        bool changed = false; // the project counts as changed
        int slot = 0;         // the new instance, 0 when nothing was pasted
        PinConnections nets;  // nets its pins joined, for the editor to flash
    };
    // Creates an instance of the copied type at `point` snapped to the
    // 16-pixel grid, with the copied settings. Its pins start unconnected and
    // join the wires lying under them.
    PasteResult PasteModule(MODULES &scheme, WIRES &wires, CPOINT point);
};

} // namespace kmr
