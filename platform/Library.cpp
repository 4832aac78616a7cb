#include "Library.h"

#include <dlfcn.h>

namespace kmr {

namespace {
thread_local std::string lastError;

void remember() {
    const char *e = dlerror();
    lastError = e ? e : "";
}
} // namespace

void *LoadLibrary(const std::string &path) {
    dlerror();
    void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) remember();
    return h;
}

void *FindSymbol(void *library, const char *name) {
    if (!library || !name) return nullptr;
    dlerror();
    void *p = dlsym(library, name);
    if (!p) remember();
    return p;
}

void UnloadLibrary(void *library) {
    if (library) dlclose(library);
}

std::string LibraryError() { return lastError; }

} // namespace kmr
