// The file association of project files: the program registers itself as
// the one that opens "*.kpj", so that opening a project in the desktop starts
// it with the project's path as its first argument. The registration is made
// anew at every start and never removed.
//
// The freedesktop form of it: a shared-mime-info package naming the type
// and its "*.kpj" pattern, a desktop entry for the program, its icon, and
// the default application for the type in mimeapps.list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kmr {

constexpr const char *kProjectMimeType = "application/x-kelmora-project";
constexpr const char *kDesktopEntryName = "kelmora-kmr99.desktop";
constexpr const char *kIconName = "kelmora-kmr99";

// Where the files go: below $XDG_DATA_HOME (default ~/.local/share) and
// $XDG_CONFIG_HOME (default ~/.config).
struct AssociationPaths {
    std::string mimePackage;  // <data>/mime/packages/kelmora-project.xml
    std::string desktopEntry; // <data>/applications/kelmora-kmr99.desktop
    std::string icon;         // <data>/icons/hicolor/32x32/apps/kelmora-kmr99.png
    std::string mimeApps;     // <config>/mimeapps.list
    std::string mimeFolder;   // <data>/mime, the database to refresh
};
AssociationPaths FileAssociationPaths();

// The Exec value of a desktop entry that opens one file with `program`:
// the path quoted and escaped, then " %f". False for a path that a desktop
// entry cannot hold (not UTF-8, or with control characters).
bool DesktopExec(const std::string &program, std::string &exec);

// `mimeApps` (the text of a mimeapps.list) with `desktop` as the default
// application of `mimeType` in its [Default Applications] group; every other
// line stays as it was.
std::string SetDefaultApplication(const std::string &mimeApps, const std::string &mimeType,
                                  const std::string &desktop);

// Writes the association for the program at `program` with the icon
// `iconPng` (PNG bytes; no icon file when empty). Files whose contents are
// already right are not touched; `changedMime` tells whether the type's
// package was written, after which the mime database wants a refresh.
// False when a file could not be written (what could be written is).
bool RegisterFileAssociation(const std::string &program, const std::vector<uint8_t> &iconPng,
                             bool *changedMime = nullptr);

} // namespace kmr
