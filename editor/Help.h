// The program's help: an HTML tree, "Help/index.html" (the contents) and one
// page "<topic>.html" per topic number beside it, shown in the program's own
// help window. Without the tree help requests do nothing.
#pragma once

#include <QString>

namespace kmr {

// The contents page of the help in use; empty for none.
void SetHelpFile(const QString &index);
const QString &HelpFile();

// The help found from the current folder: "Help/index.html" when it can be
// opened, otherwise none.
QString FindHelpFile();

// Opens the contents, or the page of topic `topic` (the contents for a topic
// that has no page of its own), of the help whose contents page is `index`.
// Nothing happens when `index` cannot be read.
void ShowHelp(const QString &index, int topic);

// The same for the help in use.
void ShowHelpContents();
void ShowHelpTopic(int topic);

// The page a topic opens: "<folder of index>/<topic>.html" when it exists,
// otherwise `index` itself.
QString HelpPage(const QString &index, int topic);

} // namespace kmr
