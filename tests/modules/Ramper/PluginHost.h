// A small host for the tests of the envelope generator and the nonlinearity:
// loads a built plug-in from the program's kmd folder through the platform
// loader and reaches it only through the host-side calls, as the main
// program does.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Library.h"
#include "ModuleType.h"
#include "Resource.h"

namespace rtest {

// An in-memory byte stream behind KMDSTREAM. Writes beyond `limit` fall short.
struct MemoryStream {
    std::vector<unsigned char> bytes;
    size_t pos = 0;
    size_t limit = SIZE_MAX;
    KMDSTREAM s{this, write, read, 0};

    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> b) : bytes(std::move(b)) {}
    MemoryStream(const MemoryStream &) = delete;

    static intptr_t write(void *c, const void *data, intptr_t n);
    static intptr_t read(void *c, void *data, intptr_t n);
};

// Equal, or within 1e-9 of `expected` relative to it.
::testing::AssertionResult Near(double actual, double expected);

// The help topic of the last request that reached the program's help entry
// (the test program exports one, as the main window does).
extern int lastHelpTopic;

class PluginHost : public ::testing::Test {
protected:
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    MODULE_TYPE type;
    std::vector<std::vector<unsigned char>> blocks; // instances made by New()

    // Loads kmd/<file> with the program's starting parameters.
    void Load(const char *file);
    void TearDown() override { kmr::UnloadLibrary(type.Library); }

    // A new instance as the host makes it: fnSIZE bytes, zero-filled, the
    // MODULE defaults set, then Create. It lives as long as the test.
    MODULE *New();
    // The instance's own bytes behind MODULE.
    unsigned char *Own(MODULE *m) { return reinterpret_cast<unsigned char *>(m) + sizeof(MODULE); }
    // All bytes of an instance.
    std::vector<unsigned char> Bytes(const MODULE *m);
    // What Save writes.
    std::vector<unsigned char> Saved(MODULE *m);
    // The help topic the type asks for, with a help tree in the current folder.
    int HelpTopic();
    // The type's resource image.
    kmr::ResourceImage Resources();
};

// Distinct colours of a picture.
size_t Colours(const kmr::Picture &p);

} // namespace rtest
