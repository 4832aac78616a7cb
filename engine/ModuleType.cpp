#include "ModuleType.h"

#include <climits>

namespace kmd {

namespace {

intptr_t call(const MODULE_TYPE &t, int fn, void *data, intptr_t par) {
    return t.Loaded() ? t.Entry(fn, data, par) : 0;
}

bool callBool(const MODULE_TYPE &t, int fn, void *data, intptr_t par) { return call(t, fn, data, par) != 0; }

} // namespace

void Create(const MODULE_TYPE &t, MODULE *m) { call(t, fnCREATE, m, 0); }
void Destroy(const MODULE_TYPE &t, MODULE *m) { call(t, fnDESTROY, m, 0); }
void Setup(const MODULE_TYPE &t, MODULE *m) { call(t, fnSETUP, m, 0); }
void Describe(const MODULE_TYPE &t, MODULE *m) { call(t, fnDESCR, m, 0); }
void Count(const MODULE_TYPE &t, MODULE *m, int sample) { call(t, fnCOUNT, m, sample); }
void SetParams(const MODULE_TYPE &t, PARAMS *p) { call(t, fnPARAMS, p, 0); }
void Help(const MODULE_TYPE &t) { call(t, fnHELP, nullptr, 0); }
// The answer is pointer-wide: one outside int's range is no size at all, not
// a size cut to its low bits (which could pass as a small valid block).
int Size(const MODULE_TYPE &t) {
    const intptr_t size = call(t, fnSIZE, nullptr, 0);
    return size >= 0 && size <= INT_MAX ? (int)size : 0;
}
bool Start(const MODULE_TYPE &t, MODULE *m) { return callBool(t, fnSTART, m, 0); }
bool Stop(const MODULE_TYPE &t, MODULE *m) { return callBool(t, fnSTOP, m, 0); }
bool Save(const MODULE_TYPE &t, MODULE *m, KMDSTREAM *out) {
    return callBool(t, fnSAVE, m, reinterpret_cast<intptr_t>(out));
}
bool Load(const MODULE_TYPE &t, MODULE *m, KMDSTREAM *in) {
    return callBool(t, fnLOAD, m, reinterpret_cast<intptr_t>(in));
}
bool SaveHandle(const MODULE_TYPE &t, MODULE *m, int fd) { return callBool(t, fnSAVE, m, fd); }
bool LoadHandle(const MODULE_TYPE &t, MODULE *m, int fd) { return callBool(t, fnLOAD, m, fd); }
bool Copy(const MODULE_TYPE &t, MODULE *m) { return callBool(t, fnCOPY, m, 0); }
bool Paste(const MODULE_TYPE &t, MODULE *m) { return callBool(t, fnPASTE, m, 0); }
const char *About(const MODULE_TYPE &t) { return reinterpret_cast<const char *>(call(t, fnAbout, nullptr, 0)); }
const char *ToolTip(const MODULE_TYPE &t) { return reinterpret_cast<const char *>(call(t, fnTOOLTIP, nullptr, 0)); }
bool MouseDown(const MODULE_TYPE &t, MODULE *m, int32_t locxy) { return callBool(t, fnMOUSEDOWN, m, locxy); }

} // namespace kmd
