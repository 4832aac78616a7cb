// Compile-time checks of where a module class keeps its own fields. Several
// own fields go into project files byte for byte, so their offsets behind
// MODULE are fixed; a module class derives from MODULE, which makes offsetof
// conditionally supported, and g++ supports it for this plain single
// inheritance, so its warning is silenced just for the check.
#pragma once

#include <bit>
#include <cstddef>

#include "Kmd.h"

#define KMD_FIELD_AT(Class, field, offset)                                                         \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"")        \
        static_assert(offsetof(Class, field) == (offset), #Class "::" #field " has moved");        \
    _Pragma("GCC diagnostic pop")

// Own fields are saved as the bytes they have in memory, which the file
// layout fixes as little-endian.
static_assert(std::endian::native == std::endian::little, "own fields are saved as little-endian bytes");
