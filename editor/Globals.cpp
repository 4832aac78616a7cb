#include "Globals.h"

#include "Library.h"

namespace kmr {

namespace {
EditorEngine *current = nullptr;
}

OSCILLA::OSCILLA(const std::string &programFolder) {
    library_ = LoadLibrary(programFolder + "/Oscilla.so");
    if (!library_) return;
    entry_ = reinterpret_cast<Entry>(FindSymbol(library_, "Function"));
    if (!entry_) {
        UnloadLibrary(library_);
        library_ = nullptr;
    }
}

OSCILLA::~OSCILLA() { UnloadLibrary(library_); }

int OSCILLA::Show(const char *filename, char lang) {
    if (!entry_ || !filename) return 0;
    return entry_(const_cast<char *>(filename), lang, owner_);
}

EditorEngine::EditorEngine(const std::string &programFolder)
    : Types(&Params), Scheme(Types), Go(Scheme, Wires, Params), Oscilla(programFolder), ProgramFolder(programFolder) {
    Params = StartParams(Val, Descr, 0);
    current = this;
}

EditorEngine::~EditorEngine() {
    // No calculation may outlive the scheme it works on.
    Go.Cancel();
    Go.Wait();
    if (current == this) current = nullptr;
}

EditorEngine *EditorEngine::Current() { return current; }

void WaveShowHook(char *filename) {
    if (EditorEngine *e = EditorEngine::Current()) e->Oscilla.Show(filename, e->Params.Lang);
}

void SpectrumShowHook(char *) {}

} // namespace kmr
