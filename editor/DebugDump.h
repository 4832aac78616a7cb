// The debug dumps of the hidden debug menu: the scheme's instances with their
// positions and pin nets, and the segment table, each written as a text file
// (UTF-8) for checking the editor's bookkeeping by eye.
#pragma once

class MODULES;
class WIRES;

namespace kmr {

// The files the debug menu writes, in the current folder.
inline constexpr const char *kModulesDumpName = "Modules.dbg";
inline constexpr const char *kSegmentsDumpName = "Segments.dbg";

// Writes every instance of the scheme, slot by slot: its slot, its type's
// file name and position, a heading line, and the nets of its output and
// four inputs. An existing file is replaced. False when the file cannot be
// created or written; the scheme is never changed.
bool WriteModulesDump(const MODULES &scheme, const char *path);

// Writes every segment in use, slot by slot, with its two ends. False when
// the file cannot be created or written.
bool WriteSegmentsDump(const WIRES &wires, const char *path);

} // namespace kmr
