#include "ModuleCopy.h"

#include "Cpoint.h"

namespace kmr {

void MODULECOPY::CopyModule(MODULES &scheme, int slot) {
    MODULE *m = scheme.Get(slot);
    if (!m) return;
    const MODULE_TYPE &type = scheme.Types().GetType(m->Index);
    if (!type.Loaded()) {
        copiedType = -1;
        return;
    }
    if (kmd::Copy(type, m)) copiedType = m->Index;
}

MODULECOPY::PasteResult MODULECOPY::PasteModule(MODULES &scheme, WIRES &wires, CPOINT point) {
    PasteResult r;
    if (copiedType == -1) return r;
    AVMODULES &types = scheme.Types();
    const MODULE_TYPE &type = types.GetType(copiedType);
    if (!type.Loaded()) return r;
    r.changed = true;
    int slot = scheme.AddInstance(type, copiedType);
    if (slot == 0) return r;
    CPOINT at = Snap16(point);
    MODULE *m = scheme.Get(slot);
    if (!kmd::Paste(type, m)) {
        scheme.DeleteInstance(slot);
    } else {
        // The plug-in copied the whole record, the copied instance's place
        // and nets included: the new instance takes its own place and starts
        // unconnected, so it never shares a net without a wire.
        const MODULE_TYPE &own = types.GetType(copiedType);
        m->Index = copiedType;
        m->Bitmap = own.Bitmap.get();
        m->loc = at;
        m->wireout = 0;
        for (int32_t &net : m->wirein) net = 0;
        scheme.DrawOne(slot);
        r.nets = ConnectPins(wires, scheme, slot);
        r.slot = slot;
    }
    wires.DrawAllSegments();
    scheme.DrawAll();
    return r;
}

} // namespace kmr
