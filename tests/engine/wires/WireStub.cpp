// Stand-in module types for the wiring tests, built three times: a generator
// (output at (32, 16)), a recorder (input 0 at (0, 16)) and a filter with
// both. They only have to be placed; they never calculate anything.
#include "Plugin.h"

class WireStub : public MODULE {
public:
    void Create() {
        end.Set(31, 31);
#if defined(WIRE_STUB_GEN) || defined(WIRE_STUB_FILTER)
        out.Set(32, 16);
#endif
#if defined(WIRE_STUB_REC) || defined(WIRE_STUB_FILTER)
        in[0].Set(0, 16);
#endif
    }
    void Count(int) {}
    static const char *About() { return "KELMORAQUANTIBEX MODULE 4.0\nWiring test module"; }
    static const char *ToolTip() { return "Wiring stand-in"; }
};

KMD_PLUGIN(WireStub)
