// The main program's engine objects, made before any window exists and
// released at program end: the parameters shared with every plug-in, the
// net values, the module library, the scheme, the segment table, the labels,
// the inspector's descriptor rows, the calculation thread and the loader of
// the wave viewer library.
#pragma once

#include <string>

#include "Kmd.h"
#include "Label.h"
#include "Module.h"
#include "ModuleCopy.h"
#include "Run.h"
#include "Wire.h"

namespace kmr {

// The wave viewer library "Oscilla.so" of the program folder, loaded when
// made and kept to the end; without the library or its entry point the
// built-in viewer is unavailable and Show does nothing.
class OSCILLA {
public:
    using Entry = int (*)(char *filename, char lang, void *owner);

    explicit OSCILLA(const std::string &programFolder);
    ~OSCILLA();
    OSCILLA(const OSCILLA &) = delete;
    OSCILLA &operator=(const OSCILLA &) = delete;

    void SetOwner(void *owner) { owner_ = owner; }
    bool Available() const { return entry_ != nullptr; }
    // Shows the wave file in the viewer; answers the viewer's result, 0 when
    // there is no viewer.
    int Show(const char *filename, char lang);

private:
    void *library_ = nullptr;
    Entry entry_ = nullptr;
    void *owner_ = nullptr;
};

class EditorEngine {
public:
    // `programFolder` holds the libraries the program loads by name.
    explicit EditorEngine(const std::string &programFolder);
    ~EditorEngine();
    EditorEngine(const EditorEngine &) = delete;
    EditorEngine &operator=(const EditorEngine &) = delete;

    // The engine of the running program; the viewing hooks handed to the
    // plug-ins reach it through here.
    static EditorEngine *Current();

    double Val[kNetCount] = {};
    PARAMS Params{};
    DESCRIPTOR Descr[kDescriptorCount] = {};
    AVMODULES Types;
    MODULES Scheme;
    WIRES Wires;
    LABCLASS Labels;
    // The type copied last, kept across New and Open.
    MODULECOPY ModuleCopy;
    ThreadGo Go;
    OSCILLA Oscilla;
    std::string ProgramFolder;
};

// The viewing hooks of PARAMS: show a wave file in the built-in viewer; the
// spectrum hook has no program to start yet and does nothing.
void WaveShowHook(char *filename);
void SpectrumShowHook(char *filename);

} // namespace kmr
