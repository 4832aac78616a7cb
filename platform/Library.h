// Dynamic libraries: load by path, find an exported symbol, unload.
#pragma once
#include <string>

namespace kmr {

// Loads the library at `path` (resolving all its symbols now, keeping them
// local to it). Answers null on failure; LibraryError() then says why.
void *LoadLibrary(const std::string &path);

// Address of the exported symbol `name`, or null when the library has none.
void *FindSymbol(void *library, const char *name);

// Unloads a library loaded by LoadLibrary; null is ignored.
void UnloadLibrary(void *library);

// The system's text for the last failure of LoadLibrary or FindSymbol.
std::string LibraryError();

} // namespace kmr
