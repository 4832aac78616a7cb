// kmr-plugins: lists the module plug-ins found in the kmd folder beside the
// program, with the outcome of loading each one.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Library.h"
#include "ModuleType.h"
#include "Resource.h"
#include "Run.h"

namespace fs = std::filesystem;

int main(int argc, char **argv) {
    fs::path self = fs::read_symlink("/proc/self/exe");
    fs::path dir = argc > 1 ? fs::path(argv[1]) : self.parent_path() / "kmd";
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto &e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ".kmd") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::printf("Plug-ins in %s: %zu\n", dir.c_str(), files.size());

    static double val[kNetCount];
    static DESCRIPTOR descr[kDescriptorCount];
    PARAMS params = kmr::StartParams(val, descr, 1);

    int good = 0;
    for (auto &f : files) {
        MODULE_TYPE t;
        t.Library = kmr::LoadLibrary(f.string());
        if (!t.Library) {
            std::printf("  %-16s not loaded: %s\n", f.filename().c_str(), kmr::LibraryError().c_str());
            continue;
        }
        t.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(t.Library, KMD_ENTRY_NAME));
        const char *about = kmd::About(t);
        kmr::ResourceImage res;
        kmr::Picture bitmap, tool;
        bool pictures = res.FromLibrary(t.Library) && res.LoadPicture("BITMAP", bitmap) &&
                        res.LoadPicture("TOOL", tool);
        if (!t.Entry)
            std::printf("  %-16s no entry point\n", f.filename().c_str());
        else if (!about || std::strncmp(about, KMD_ABOUT_PREFIX, kAboutPrefixLength) != 0)
            std::printf("  %-16s wrong about text\n", f.filename().c_str());
        else if (!pictures)
            std::printf("  %-16s pictures missing\n", f.filename().c_str());
        else {
            kmd::SetParams(t, &params);
            const char *tip = kmd::ToolTip(t);
            std::printf("  %-16s %-32s size %d, picture %dx%d\n", f.filename().c_str(),
                        tip ? kmr::Cp1251ToUtf8(tip).c_str() : "", kmd::Size(t), bitmap.width, bitmap.height);
            ++good;
        }
        kmr::UnloadLibrary(t.Library);
    }
    std::printf("%d of %zu accepted\n", good, files.size());
    return 0;
}
