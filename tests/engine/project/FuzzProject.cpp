// Feeds arbitrary bytes to the project reader as a .kpj file. The three test
// types (no own data, own data through the stream, own data through a file
// descriptor) are loaded once.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Project.h"

namespace {

struct World {
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    AVMODULES types{&params};
    MODULES scheme{types};
    WIRES wires;
    kmr::LabelHost host;
    kmr::LABCLASS labels;
    bool readOnly = false;
    std::string path;

    World() {
        params.Val = val;
        params.Descr = descr;
        types.SetFolder(KMR_PROJECT_PLUGINS);
        for (const char *name : {"Plusbox.kmd", "Datamod.kmd", "Handlemod.kmd"})
            if (!types.LoadType(name)) std::fprintf(stderr, "cannot load %s\n", name), std::abort();
        labels.SetOwner(&host);
        path = "/tmp/kmr-fuzz-" + std::to_string(getpid()) + ".kpj";
    }
    ~World() { ::unlink(path.c_str()); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static World w;
    FILE *f = std::fopen(w.path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    kmr::Project p{w.scheme, w.wires, w.labels, w.params, w.readOnly};
    int mx, my;
    if (kmr::LoadProject(p, w.path, mx, my)) {
        // What loads must save again.
        std::string again = w.path + ".again";
        if (!kmr::SaveProject(p, again)) std::abort();
        ::unlink(again.c_str());
    }
    return 0;
}
