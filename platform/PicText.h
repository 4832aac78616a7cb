// A readable text form of the pictures the project draws itself:
//
//   # comment lines start with '#'
//   size 32 32
//   color . 008080      # a printable, non-blank character, then RRGGBB hex
//   color # FFFFFF
//   pixels
//   ................................
//
// Before "pixels": blank lines and '#' comment lines are skipped, and a
// "size" or "color" line may end in a comment that starts with '#' after
// its arguments. "size" (width and height, 1..16384) comes once, before
// "pixels"; each colour character is defined once. After "pixels" come exactly
// `height` rows of exactly `width` colour characters each (trailing blanks and
// carriage returns are ignored); the rows are taken literally, so '#' may be
// a colour there. After the rows only blank and comment lines may follow.
#pragma once
#include <string>
#include <string_view>

#include "Picture.h"

namespace kmr {

// Parses a text picture. On failure answers false, leaves `out` unchanged and,
// when `error` is given, sets it to a message naming the line ("line 7: ...").
bool ParsePicText(std::string_view text, Picture &out, std::string *error = nullptr);

} // namespace kmr
