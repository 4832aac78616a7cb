// kmr-screen-project: the project the schematic screenshot shows. It is an
// example project whose labels are moved out from under the toolbar (the
// examples place them in the window's top strip, which the toolbar covers),
// so the picture holds modules, wires and a readable label.
//
//   kmr-screen-project PLUGIN_DIR EXAMPLE.kpj OUT.kpj
#include <cstdio>
#include <filesystem>
#include <string>

#include "Label.h"
#include "Project.h"
#include "Utbctrl.h"

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: kmr-screen-project PLUGIN_DIR EXAMPLE.kpj OUT.kpj\n");
        return 2;
    }
    double val[kNetCount] = {};
    PARAMS params{};
    params.Val = val;
    params.Lang = 1;
    AVMODULES types(&params);
    types.SetFolder(argv[1]);
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(argv[1], ec))
        if (entry.path().extension() == ".kmd") types.LoadType(entry.path().filename().string());

    MODULES scheme(types);
    WIRES wires;
    kmr::LabelHost host;
    kmr::LABCLASS labels;
    labels.SetOwner(&host);
    bool readOnly = false;
    const kmr::Project project{scheme, wires, labels, params, readOnly};
    int maxX = 0, maxY = 0;
    if (!kmr::LoadProject(project, argv[2], maxX, maxY)) {
        std::fprintf(stderr, "kmr-screen-project: cannot load %s\n", argv[2]);
        return 1;
    }
    for (int slot = 0; slot < kmr::LABCLASS::kSlots; ++slot)
        if (kmr::LABEL *label = labels.Get(slot); label && label->Top < kmr::TModulePanel::kHeight)
            label->Top = kmr::TModulePanel::kHeight + 6;
    if (!kmr::SaveProject(project, argv[3])) {
        std::fprintf(stderr, "kmr-screen-project: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
