// Text encodings: Windows code page 1251 (the 8-bit texts of plug-ins and
// project files), UTF-8 (what the program uses inside) and UTF-16 (the
// strings stored in resource images).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kmr {

// Code page 1251 to UTF-8. Bytes below 0x80 pass unchanged. The byte 0x98,
// which the code page leaves undefined, becomes U+FFFD (the replacement
// character), so a damaged text stays visibly damaged instead of losing bytes.
std::string Cp1251ToUtf8(std::string_view cp1251);

// UTF-8 to code page 1251. A character the code page cannot hold, and each
// malformed UTF-8 sequence (its longest broken prefix counting as one), become
// '?'. U+FFFD also becomes '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// `utf8` cut to at most `maxBytes` bytes without splitting a character: a
// character that would straddle the cut is left out whole. Text that is not
// valid UTF-8 near the cut is cut at `maxBytes` exactly.
std::string Utf8Truncate(std::string_view utf8, size_t maxBytes);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-8 to UTF-16. Answers false, leaving `out` unspecified, when `utf8` is
// not well-formed.
bool Utf8ToUtf16(std::string_view utf8, std::u16string &out);

} // namespace kmr
