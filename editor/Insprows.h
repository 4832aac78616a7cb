// The module inspector's rows without a window: describing an instance into
// the descriptor array, how many rows it shows, taking a cell's text back
// into a row or running the row's Enter action, and the entries of the
// instance list. Texts are the bytes the descriptors hold (Windows-1251 for
// labels and names; a file-name row holds the system's bytes of a path).
#pragma once

#include <string>
#include <vector>

#include "Descrip.h"
#include "Module.h"

namespace kmr {

// The grid shows at most this many rows below its header.
constexpr int kInspectorRows = 15;

// Sets all 16 records to zeros.
void ClearDescriptors(DESCRIPTOR *descr);

// The rows shown: the leading records whose kind is not 0, at most 15.
int DescriptorRows(const DESCRIPTOR *descr);

// Clears the records, describes the instance's user name (record 0, a text
// buffer of 32 bytes labelled `nameLabel`) and its gain (record 1, labelled
// `ampLabel`), then asks its type for the rest. False, with the records
// untouched, when there is no instance or its type is not loaded.
bool DescribeInstance(DESCRIPTOR *descr, const AVMODULES &types, MODULE *m, const char *nameLabel,
                      const char *ampLabel);

// The text of a record's value (GetText); a text or file-name buffer is
// read no further than its size.
std::string RowText(const DESCRIPTOR *d);

// Leaving grid row `row` (1-based) whose cell holds `text`, with `rows` rows
// in use: the text is stored into the row's variable and the answer is what
// the cell shows afterwards, the value as stored; the empty text for a row
// without a descriptor or one that refuses the text. A cell still showing
// the value's own text stores nothing, so passing through a row never
// rounds its value to the digits shown.
std::string CommitRow(DESCRIPTOR *descr, int rows, int row, const std::string &text);

// The Enter key in grid row `row`: the row's action (Activate) with the
// cell's text and the inspected instance; the answer is what the cell shows
// afterwards, as for CommitRow.
std::string EnterRow(DESCRIPTOR *descr, int rows, int row, const std::string &text, void *instance);

// One entry per instance 1 .. CountInstances: its user name when it has
// one; otherwise "?" when its type is not loaded, or the type's tool tip, a
// blank and the instance's number.
std::vector<std::string> InstanceListNames(const MODULES &scheme);

} // namespace kmr
