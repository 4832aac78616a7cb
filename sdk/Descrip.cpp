#include "Descrip.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <strings.h>

namespace {

// Large enough for any double printed with four decimals.
char textBuffer[512];

// Numbers are read the same way whatever locale the program runs in.
locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return loc;
}

long parseLong(const char *text) { return text ? strtol_l(text, nullptr, 10, cLocale()) : 0; }

double parseDouble(const char *text) { return text ? strtod_l(text, nullptr, cLocale()) : 0.0; }

bool equalsNoCase(const char *a, const char *b) { return a && strcasecmp(a, b) == 0; }

void storeText(DESCRIPTOR *d, const char *text) {
    if (d->buflen <= 0) return;
    char *buf = static_cast<char *>(d->Param);
    size_t room = (size_t)d->buflen - 1, n = 0;
    if (text)
        while (n < room && text[n]) ++n;
    std::memcpy(buf, text ? text : "", n);
    std::memset(buf + n, 0, room - n);
    buf[room] = 0;
}

} // namespace

const char *GetText(const DESCRIPTOR *d) {
    textBuffer[0] = 0;
    if (!d) return textBuffer;
    if (!d->Param && d->Type != _FUNCTION) return textBuffer;
    switch (d->Type) {
    case _CHAR:
        std::snprintf(textBuffer, sizeof textBuffer, "%d", (int)*static_cast<unsigned char *>(d->Param));
        break;
    case _INT:
        std::snprintf(textBuffer, sizeof textBuffer, "%d", (int)*static_cast<int32_t *>(d->Param));
        break;
    case _DOUBLE: {
        auto r = std::to_chars(textBuffer, textBuffer + sizeof textBuffer - 1, *static_cast<double *>(d->Param),
                               std::chars_format::fixed, 4);
        *r.ptr = 0;
        break;
    }
    case _CHARPTR:
    case _FILENAME:
        return static_cast<const char *>(d->Param);
    case _FUNCTION:
        textBuffer[0] = 0x7F;
        textBuffer[1] = 0;
        break;
    case _BOOL:
        std::strcpy(textBuffer, *static_cast<bool *>(d->Param) ? "true" : "false");
        break;
    default:
        break;
    }
    return textBuffer;
}

bool SetText(DESCRIPTOR *d, const char *text) {
    if (!d || d->Type == _NONE) return false;
    if (!d->Param) return true; // _FUNCTION, or a row without a variable
    switch (d->Type) {
    case _CHAR:
        *static_cast<unsigned char *>(d->Param) = (unsigned char)(parseLong(text) & 0xFF);
        break;
    case _INT:
        *static_cast<int32_t *>(d->Param) = (int32_t)parseLong(text);
        break;
    case _DOUBLE:
        *static_cast<double *>(d->Param) = parseDouble(text);
        break;
    case _CHARPTR:
    case _FILENAME:
        storeText(d, text);
        break;
    case _BOOL:
        *static_cast<bool *>(d->Param) =
            equalsNoCase(text, "true") || equalsNoCase(text, "yes") || equalsNoCase(text, "1");
        break;
    default:
        break;
    }
    return true;
}

bool Activate(DESCRIPTOR *d, const char *text, void *instance) {
    if (!d || d->Type == _NONE) return false;
    switch (d->Type) {
    case _BOOL:
        if (equalsNoCase(text, "true")) {
            SetText(d, "false");
            return true;
        }
        if (equalsNoCase(text, "false")) {
            SetText(d, "true");
            return true;
        }
        break;
    case _FUNCTION:
        if (d->Func) d->Func(instance);
        return true;
    case _FILENAME:
        return true;
    default:
        break;
    }
    return SetText(d, text);
}
