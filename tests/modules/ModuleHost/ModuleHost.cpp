// The main window's help entry, found by the plug-ins' help lookup among the
// program's exported symbols: here it only notes the topic asked for.
#include "ModuleHost.h"

int kmrtest::lastHelpTopic = -1;

extern "C" __attribute__((visibility("default"))) void KmrShowHelp(const char *, int topic) {
    kmrtest::lastHelpTopic = topic;
}
