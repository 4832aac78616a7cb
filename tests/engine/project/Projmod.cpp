// Plug-ins for the project file tests, one source built three ways:
// PLAIN keeps no own data, DATA saves 12 own bytes through the stream, and
// HANDLE saves them through a file descriptor (matNEEDHANDLE). While the
// environment has KMR_REFUSE_SAVE, every kind refuses to save an instance
// whose gain is 13, to test failed saves.
#include <unistd.h>

#include <cstdlib>

#include "Plugin.h"

#pragma pack(push, 4)
class Projmod : public MODULE {
public:
#if !defined(KIND_PLAIN)
    int32_t Value;
    double Scale;
#endif
    void Create() {
        end.Set(31, 31);
        in[0].Set(0, 8);
        in[1].Set(0, 24);
        out.Set(32, 16);
#if !defined(KIND_PLAIN)
        Value = 7;
        Scale = 0.5;
#endif
#if defined(KIND_HANDLE)
        attr = matNEEDHANDLE;
#endif
    }
    void Count(int) {}
    bool refuse() const { return amp == 13 && std::getenv("KMR_REFUSE_SAVE"); }
#if defined(KIND_DATA)
    bool Save(KMDSTREAM *out) {
        if (refuse()) return false;
        KmdWrite(out, &Value, 4);
        KmdWrite(out, &Scale, 8);
        return KmdGood(out);
    }
    bool Load(KMDSTREAM *in) {
        KmdRead(in, &Value, 4);
        KmdRead(in, &Scale, 8);
        return KmdGood(in);
    }
#elif defined(KIND_HANDLE)
    bool Save(int fd) {
        if (refuse()) return false;
        return ::write(fd, &Value, 4) == 4 && ::write(fd, &Scale, 8) == 8;
    }
    bool Load(int fd) { return ::read(fd, &Value, 4) == 4 && ::read(fd, &Scale, 8) == 8; }
#else
    bool Save(KMDSTREAM *out) { return !refuse() && KmdGood(out); }
#endif
    static const char *About() { return KMD_ABOUT_PREFIX " 4.0\nProject file test module"; }
    static const char *ToolTip() { return KIND_NAME; }
};
#pragma pack(pop)

KMD_PLUGIN(Projmod)
