#include "Project.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kmr {

const char kProjectMagic[kProjectMagicSize] = "KELMORAQUANTIBEX FILE 4.0";

namespace {

constexpr char kWiresHeader[15] = "SCHEMATIC PART";

void raise(int &max, int64_t edge) { max = (int)std::clamp<int64_t>(std::max<int64_t>(max, edge), INT32_MIN, INT32_MAX); }

// The 14 parameter bytes as stored: Freq, FullTime, Limitation, Fast.
void encodeParams(const PARAMS &p, unsigned char *b) {
    std::memcpy(b, &p.Freq, 4);
    std::memcpy(b + 4, &p.FullTime, 8);
    b[12] = p.Limitation ? 1 : 0;
    b[13] = p.Fast ? 1 : 0;
}

void decodeParams(const unsigned char *b, PARAMS &p) {
    std::memcpy(&p.Freq, b, 4);
    std::memcpy(&p.FullTime, b + 4, 8);
    p.Limitation = b[12] != 0; // any non-zero byte is true
    p.Fast = b[13] != 0;
}

} // namespace

bool SaveModules(const MODULES &scheme, const PARAMS &params, bool readOnly, FileStream &file) {
    KMDSTREAM *out = file.Stream();
    if (!KmdGood(out)) return false;
    unsigned char head[kParamsSavedBytes];
    encodeParams(params, head);
    const unsigned char flag = readOnly ? 1 : 0;
    const int32_t count = scheme.CountInstances();
    KmdWrite(out, kProjectMagic, kProjectMagicSize);
    KmdWrite(out, head, sizeof head);
    KmdWrite(out, &flag, 1);
    KmdWrite(out, &count, 4);
    for (int slot = 1; slot < MODULES::kSlotCount; ++slot) {
        MODULE *m = scheme.Get(slot);
        if (!m) continue;
        const MODULE_TYPE &type = scheme.Types().GetType(m->Index);
        if (!type.Loaded()) return false;
        KmdWrite(out, type.FileName, sizeof type.FileName);
        KmdWrite(out, reinterpret_cast<const char *>(m) + kModuleSavedOffset, kModuleSavedBytes);
        if (!KmdGood(out)) return false;
        if (m->attr & matNEEDHANDLE) {
            int fd = file.Handle();
            if (fd < 0) return false;
            bool saved = kmd::SaveHandle(type, m, fd);
            if (!file.Resume() || !saved) return false;
        } else if (!kmd::Save(type, m, out)) {
            return false;
        }
    }
    return KmdGood(out);
}

bool LoadModules(MODULES &scheme, PARAMS &params, bool &readOnly, FileStream &file, int &maxX, int &maxY,
                 const UnknownTypeHandler &unknown) {
    KMDSTREAM *in = file.Stream();
    char magic[kProjectMagicSize];
    if (!KmdGood(in) || !KmdRead(in, magic, sizeof magic) || std::memcmp(magic, kProjectMagic, sizeof magic) != 0)
        return false;
    unsigned char head[kParamsSavedBytes];
    unsigned char flag;
    int32_t count;
    if (!KmdRead(in, head, sizeof head) || !KmdRead(in, &flag, 1) || !KmdRead(in, &count, 4)) return false;
    decodeParams(head, params);
    readOnly = flag != 0;
    if (count == 0) return true;
    if (count < 0 || count > MODULES::kMaxInstances) return false;
    for (int slot = MODULES::kMaxInstances; slot >= 1; --slot) scheme.DeleteInstance(slot);

    AVMODULES &types = scheme.Types();
    for (int32_t i = 0; i < count; ++i) {
        char name[64];
        if (!KmdRead(in, name, sizeof name)) return false;
        name[sizeof name - 1] = 0;
        int typeNumber = types.FindByFileName(name);
        if (typeNumber < 0) {
            if (unknown) unknown(name);
            return false;
        }
        const MODULE_TYPE &type = types.GetType(typeNumber);
        int slot = scheme.AddInstance(type, typeNumber);
        if (slot == 0) return false;
        MODULE *m = scheme.Get(slot);
        // How the type's own bytes travel (stream or descriptor) is the
        // type's choice, made in its Create; a file cannot change it, or a
        // type would be handed a descriptor where it expects a stream.
        const int32_t byHandle = m->attr & matNEEDHANDLE;
        if (!KmdRead(in, reinterpret_cast<char *>(m) + kModuleSavedOffset, kModuleSavedBytes)) return false;
        m->UserName[sizeof m->UserName - 1] = 0;
        m->attr = (m->attr & ~matNEEDHANDLE) | byHandle;
        if (m->attr & matNEEDHANDLE) {
            int fd = file.Handle();
            if (fd < 0) return false;
            bool loaded = kmd::LoadHandle(type, m, fd);
            if (!file.Resume() || !loaded) return false;
        } else if (!kmd::Load(type, m, in)) {
            return false;
        }
        raise(maxX, (int64_t)m->loc.x + m->end.x);
        raise(maxY, (int64_t)m->loc.y + m->end.y);
    }
    return true;
}

bool SaveWires(const WIRES &wires, KMDSTREAM *out) {
    if (!KmdGood(out)) return false;
    const int32_t count = wires.CountSegments();
    KmdWrite(out, kWiresHeader, sizeof kWiresHeader);
    KmdWrite(out, &count, 4);
    for (int slot = 1; slot < WIRES::kSlots; ++slot) {
        const SEGMENT *s = wires.Slot(slot);
        if (s && s->InUse()) KmdWrite(out, s, sizeof *s);
    }
    return KmdGood(out);
}

bool LoadWires(WIRES &wires, KMDSTREAM *in) {
    char header[sizeof kWiresHeader];
    int32_t count;
    if (!KmdGood(in) || !KmdRead(in, header, sizeof header) ||
        std::memcmp(header, kWiresHeader, sizeof header) != 0 || !KmdRead(in, &count, 4))
        return false;
    if (count == 0) return true;
    if (count < 0 || count >= WIRES::kSlots) return false;
    wires.ClearAll();
    for (int32_t i = 0; i < count; ++i) {
        SEGMENT s;
        if (!KmdRead(in, &s, sizeof s)) return false;
        // A segment of no length or without a usable net cannot have been
        // written by a schematic: the file is damaged.
        if (s.net < 1 || s.net > WIRES::kMaxNet || (s.a.x == s.b.x && s.a.y == s.b.y)) return false;
        if (wires.AddSegment(s) != s.net) return false;
        s.DrawSegment(wires.GetSurface(), kGreen);
    }
    return true;
}

bool SaveProject(const Project &p, const std::string &path) {
    // The new file is written beside the old one and takes its place only
    // when complete.
    std::string temp = path + ".saving";
    FileStream file;
    if (!file.OpenWrite(temp)) return false;
    bool ok = SaveModules(p.scheme, p.params, p.readOnly, file) && SaveWires(p.wires, file.Stream()) &&
              p.labels.Save(file.Stream());
    if (ok) {
        int fd = file.Handle();
        ok = fd >= 0 && ::fsync(fd) == 0;
    }
    ok = file.Close() && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool LoadProject(const Project &p, const std::string &path, int &maxX, int &maxY, const UnknownTypeHandler &unknown) {
    maxX = maxY = 0;
    p.scheme.ClearAll();
    p.wires.ClearAll();
    p.labels.ClearAll();
    FileStream file;
    bool ok = file.OpenRead(path) && LoadModules(p.scheme, p.params, p.readOnly, file, maxX, maxY, unknown) &&
              LoadWires(p.wires, file.Stream()) && p.labels.Load(file.Stream(), maxX, maxY);
    if (!ok) {
        p.scheme.ClearAll();
        p.wires.ClearAll();
        p.labels.ClearAll();
        maxX = maxY = 0;
    }
    return ok;
}

} // namespace kmr
