// The project file (.kpj): a header with the calculation parameters, the
// module instances with each type's own bytes, the wire segments and the
// text labels. The editor and the renderer save and load through
// SaveProject and LoadProject.
#pragma once

#include <functional>
#include <string>

#include "FileStream.h"
#include "Kmd.h"
#include "Label.h"
#include "Module.h"
#include "Wire.h"

namespace kmr {

// "KELMORAQUANTIBEX FILE 4.0" and its NUL.
constexpr size_t kProjectMagicSize = 26;
extern const char kProjectMagic[kProjectMagicSize];

// Sizes of the fixed parts, for callers and tests.
constexpr size_t kModuleRecordHead = 64 + kModuleSavedBytes; // file name + MODULE bytes

// Called when a module record names a type that is not installed, with the
// type's file name (Windows-1251 bytes).
using UnknownTypeHandler = std::function<void(const char *fileName)>;

// The module section: header, parameters, read-only flag and module records.
// Types that save through a file descriptor get `file`'s descriptor.
bool SaveModules(const MODULES &scheme, const PARAMS &params, bool readOnly, FileStream &file);
// Replaces the scheme's instances by those of the file, the first 14 bytes of
// `params` by the file's, and `readOnly` by its flag. Raises maxX and maxY to
// the instances' right and bottom edges. A record of a type that is not
// installed is reported through `unknown` and ends the load with false.
bool LoadModules(MODULES &scheme, PARAMS &params, bool &readOnly, FileStream &file, int &maxX, int &maxY,
                 const UnknownTypeHandler &unknown = {});

// The wires section: "SCHEMATIC PART", the count and the segments in use.
bool SaveWires(const WIRES &wires, KMDSTREAM *out);
// Loaded segments take slots 1, 2, ... as stored and are drawn in green.
bool LoadWires(WIRES &wires, KMDSTREAM *in);

struct Project {
    MODULES &scheme;
    WIRES &wires;
    LABCLASS &labels;
    PARAMS &params;
    bool &readOnly;
};

// Writes the whole project into a new file beside `path`, which replaces the
// old one only when every section was written; on failure the previous file
// is left as it was and the answer is false.
bool SaveProject(const Project &p, const std::string &path);

// Empties scheme, wires and labels and reads the file. A failed load empties
// them again, so no half-read schematic is left to be saved over the file.
// maxX and maxY receive the extents of what was loaded.
bool LoadProject(const Project &p, const std::string &path, int &maxX, int &maxY,
                 const UnknownTypeHandler &unknown = {});

} // namespace kmr
