// Plug-ins for the project file tests, one source built three ways:
// PLAIN keeps no own data, DATA saves 12 own bytes through the stream, and
// HANDLE saves them through a file descriptor (matNEEDHANDLE). Every kind
// refuses to save while its gain is 13, to test failed saves.
#include <unistd.h>

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
#if defined(KIND_DATA)
    bool Save(KMDSTREAM *out) {
        if (amp == 13) return false;
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
        if (amp == 13) return false;
        return ::write(fd, &Value, 4) == 4 && ::write(fd, &Scale, 8) == 8;
    }
    bool Load(int fd) { return ::read(fd, &Value, 4) == 4 && ::read(fd, &Scale, 8) == 8; }
#else
    bool Save(KMDSTREAM *out) { return amp != 13 && KmdGood(out); }
#endif
    static const char *About() { return KMD_ABOUT_PREFIX " 4.0\nProject file test module"; }
    static const char *ToolTip() { return KIND_NAME; }
};
#pragma pack(pop)

KMD_PLUGIN(Projmod)
