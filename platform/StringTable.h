// The readable string-table text from which numbered string resources are
// packed (the language tables, a plug-in's own texts).
//
// UTF-8 text, one string a line: a number (0..65535), then either one tab,
// after which everything to the end of the line is the text, or a run of
// spaces, after which the text starts at the first non-space. In the text,
// \n, \t and \\ stand for a line break, a tab and a backslash; any other
// backslash is an error. Blank lines and lines whose first non-blank
// character is '#' are skipped; a carriage return at a line's end is dropped.
#pragma once
#include <map>
#include <string>
#include <string_view>

namespace kmr {

// Parses a string table into `out` (number -> UTF-8 text). On failure answers
// false and, when `error` is given, sets it to a message naming the line: a
// bad or repeated number, a missing separator, a bad escape, text that is
// not UTF-8.
bool ParseStringTable(std::string_view text, std::map<unsigned, std::string> &out,
                      std::string *error = nullptr);

} // namespace kmr
