#include "DebugDump.h"

#include <cstdarg>
#include <cstdio>

#include "Module.h"
#include "Wire.h"

namespace kmr {

namespace {

// One output file, written line by line and flushed after each line so a
// dump is readable as far as it got even if the program stops meanwhile.
class DumpFile {
public:
    explicit DumpFile(const char *path) : f_(path ? std::fopen(path, "w") : nullptr) {}
    ~DumpFile() { Close(); }
    DumpFile(const DumpFile &) = delete;
    DumpFile &operator=(const DumpFile &) = delete;

    bool Open() const { return f_ != nullptr; }
    __attribute__((format(printf, 2, 3))) void Line(const char *format, ...) {
        if (!f_) return;
        va_list args;
        va_start(args, format);
        const int written = std::vfprintf(f_, format, args);
        va_end(args);
        if (written < 0 || std::fputc('\n', f_) == EOF || std::fflush(f_) != 0) ok_ = false;
    }
    // Closes the file; answers whether everything reached it.
    bool Close() {
        if (!f_) return false;
        if (std::fclose(f_) != 0) ok_ = false;
        f_ = nullptr;
        return ok_;
    }

private:
    std::FILE *f_;
    bool ok_ = true;
};

} // namespace

bool WriteModulesDump(const MODULES &scheme, const char *path) {
    DumpFile out(path);
    if (!out.Open()) return false;
    out.Line("%s", "Перечень модулей:");
    for (int slot = 0; slot < MODULES::kSlotCount; ++slot) {
        const MODULE *m = scheme.Get(slot);
        if (!m) continue;
        out.Line("%d %s   loc=%d,%d", slot, scheme.Types().TypeName(m->Index), (int)m->loc.x, (int)m->loc.y);
        out.Line("%s", "             out     in0    in1    in2    in3");
        out.Line("      wire:  %d      %d      %d      %d      %d", (int)m->wireout, (int)m->wirein[0],
                 (int)m->wirein[1], (int)m->wirein[2], (int)m->wirein[3]);
    }
    return out.Close();
}

bool WriteSegmentsDump(const WIRES &wires, const char *path) {
    DumpFile out(path);
    if (!out.Open()) return false;
    out.Line("%s", "Перечень сегментов:");
    for (int slot = 0; slot < WIRES::kSlots; ++slot) {
        const SEGMENT *s = wires.Slot(slot);
        if (!s || !s->InUse()) continue;
        out.Line("%3d  Begin:%3d,%3d  End:%3d,%3d", slot, (int)s->a.x, (int)s->a.y, (int)s->b.x, (int)s->b.y);
    }
    return out.Close();
}

} // namespace kmr
