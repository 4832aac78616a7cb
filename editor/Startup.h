// Pieces of the main program's start-up that need no window: the scan of
// the plug-in folder with its log, and the free name of a new project.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Module.h"
#include "Picture.h"

namespace kmr {

constexpr const char *kStartupLogName = "Kmr.log";

// The names (without folder) of the entries of `folder` whose names end in
// ".kmd" (letters in any case), sorted by name so every start sees the same
// order.
std::vector<std::string> ListPluginFiles(const std::string &folder);

// Adds a type's button picture to the picture list; answers its index, or -1
// when the list refuses it.
using AddButtonPicture = std::function<int(const Picture &tool)>;

// Loads every plug-in of the types' folder into `types`, in listing order,
// and writes the start-up log (UTF-8) to `logPath`, replacing an older one;
// every line is flushed at once. An accepted type gets its button picture's
// index in ToolImage and its place among the buttons in PanelPos. Answers
// the number of types accepted. Without a log file the scan still runs.
int ScanModules(AVMODULES &types, const std::string &logPath, const AddButtonPicture &addPicture);

// The name a new project gets at start-up: "default.kpj" when no file of
// that name exists in the current folder, otherwise the first of
// "default0.kpj" .. "default255.kpj" that does not exist; empty when all of
// them exist.
std::string FreeProjectName();

} // namespace kmr
