// Inspector descriptors: a module names the member variables the user may
// edit, with a row label, a kind and a pointer into the instance.
//
// The filling operations are compiled into the host and every plug-in; the
// host alone converts between variables and the texts of the inspector grid
// (GetText, SetText, Activate).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Kinds of descriptor rows.
#define _NONE 0
#define _CHAR 1
#define _INT 2
#define _DOUBLE 3
#define _CHARPTR 4
#define _FILENAME 5
#define _FUNCTION 6
#define _BOOL 7

extern "C" {
typedef void (*FUNC)(void *ptr);
}

#pragma pack(push, 4)

struct DESCRIPTOR {
    char Name[32];  // row label, Windows-1251, at most 31 characters
    int32_t Type;   // one of the kinds; 0 marks an empty entry
    void *Param;    // the described variable; null for _FUNCTION
    int32_t buflen; // buffer size for _CHARPTR and _FILENAME, terminator included
    FUNC Func;      // called with the instance for _FUNCTION

    void SetName(const char *name) {
        size_t n = 0;
        if (name)
            while (n < 31 && name[n]) ++n;
        std::memcpy(Name, name ? name : "", n);
        std::memset(Name + n, 0, sizeof(Name) - n);
    }
    void SetInt(const char *name, int32_t &pint) { Fill(name, _INT, &pint); }
    void SetDouble(const char *name, double &pd) { Fill(name, _DOUBLE, &pd); }
    void SetCharPtr(const char *name, char *ptr, int32_t _buflen) {
        Fill(name, _CHARPTR, ptr);
        buflen = _buflen;
    }
    void SetChar(const char *name, char &pchar) { Fill(name, _CHAR, &pchar); }
    void SetFilename(const char *name, char *ptr, int32_t _buflen) {
        Fill(name, _FILENAME, ptr);
        buflen = _buflen;
    }
    void SetFunction(const char *name, FUNC _Func) {
        Fill(name, _FUNCTION, nullptr);
        Func = _Func;
    }
    void SetBool(const char *name, bool &pbool) { Fill(name, _BOOL, &pbool); }

private:
    void Fill(const char *name, int32_t type, void *param) {
        SetName(name);
        Type = type;
        Param = param;
    }
};

#pragma pack(pop)

static_assert(offsetof(DESCRIPTOR, Name) == 0);
static_assert(offsetof(DESCRIPTOR, Type) == 32);
static_assert(offsetof(DESCRIPTOR, Param) == 36);
static_assert(offsetof(DESCRIPTOR, buflen) == 44);
static_assert(offsetof(DESCRIPTOR, Func) == 48);
static_assert(sizeof(DESCRIPTOR) == 56);

// Host side. The text of a row's value: the buffer itself for _CHARPTR and
// _FILENAME, otherwise one static buffer that the next call overwrites.
const char *GetText(const DESCRIPTOR *d);

// Stores `text` into the row's variable; false only for an empty entry.
// Numbers are not validated: text that does not parse stores 0.
bool SetText(DESCRIPTOR *d, const char *text);

// The Enter key in a row showing `text`: toggles a _BOOL, calls a
// _FUNCTION with `instance`, keeps a _FILENAME, else stores the text.
bool Activate(DESCRIPTOR *d, const char *text, void *instance);
