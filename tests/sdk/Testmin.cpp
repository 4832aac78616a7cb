// The smallest plug-in the frame allows: everything else takes the defaults.
#include "Plugin.h"

class Testmin : public MODULE {
public:
    void Create() {
        end.Set(31, 31);
        out.Set(32, 16);
    }
    void Count(int) {
        if (wireout) Params->Val[wireout] = amp;
    }
    static const char *About() { return "KELMORAQUANTIBEX MODULE 4.0\nMinimal test module"; }
    static const char *ToolTip() { return "Minimal"; }
};

KMD_PLUGIN(Testmin)
