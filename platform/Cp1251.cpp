#include "Cp1251.h"

#include <cstdint>

namespace kmr {

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr char32_t kReplacement = 0xFFFD;

// Unicode of the bytes 0x80..0xFF of code page 1251; 0 marks the one byte
// (0x98) the code page leaves undefined.
constexpr char16_t kHigh[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // F8
};

// Decodes the character at `pos` (which must be inside `s`). Answers the
// number of bytes taken, at least 1. `cp` receives the code point, or
// kInvalid for a malformed sequence; then the bytes taken are its longest
// prefix that could still have started a valid character.
size_t DecodeUtf8(std::string_view s, size_t pos, char32_t &cp) {
    const auto b0 = static_cast<uint8_t>(s[pos]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len;
    uint8_t lo = 0x80, hi = 0xBF; // allowed range of the second byte
    char32_t value;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        value = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;      // no overlong forms
        else if (b0 == 0xED) hi = 0x9F; // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        value = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;      // no overlong forms
        else if (b0 == 0xF4) hi = 0x8F; // nothing above U+10FFFF
    } else {
        cp = kInvalid;
        return 1;
    }
    size_t i = 1;
    for (; i < len && pos + i < s.size(); ++i) {
        const auto b = static_cast<uint8_t>(s[pos + i]);
        const uint8_t l = i == 1 ? lo : 0x80, h = i == 1 ? hi : 0xBF;
        if (b < l || b > h) break;
        value = (value << 6) | (b & 0x3F);
    }
    cp = i == len ? value : kInvalid;
    return i;
}

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the sequence a lead byte announces, 0 when it is no lead byte.
size_t SequenceLength(uint8_t b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

} // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x80) {
            out += c;
        } else {
            const char16_t u = kHigh[b - 0x80];
            AppendUtf8(out, u ? char32_t(u) : kReplacement);
        }
    }
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp;
        pos += DecodeUtf8(utf8, pos, cp);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        char byte = '?';
        if (cp != kInvalid && cp < 0x10000) {
            for (int i = 0; i < 128; ++i) {
                if (kHigh[i] != 0 && kHigh[i] == cp) {
                    byte = static_cast<char>(0x80 + i);
                    break;
                }
            }
        }
        out += byte;
    }
    return out;
}

std::string Utf8Truncate(std::string_view utf8, size_t maxBytes) {
    if (utf8.size() <= maxBytes) return std::string(utf8);
    size_t cut = maxBytes;
    // utf8[maxBytes] is the first byte left out. When it continues a
    // character, step back to that character's lead byte and leave it out too.
    size_t k = maxBytes;
    int steps = 0;
    while (k > 0 && steps < 3 && (static_cast<uint8_t>(utf8[k]) & 0xC0) == 0x80) {
        --k;
        ++steps;
    }
    if (k < maxBytes) {
        const size_t len = SequenceLength(static_cast<uint8_t>(utf8[k]));
        if (len > 1 && k + len > maxBytes) cut = k;
    }
    return std::string(utf8.substr(0, cut));
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp;
        pos += DecodeUtf8(text, pos, cp);
        if (cp == kInvalid) return false;
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 2);
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() &&
            utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

bool Utf8ToUtf16(std::string_view utf8, std::u16string &out) {
    out.clear();
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp;
        pos += DecodeUtf8(utf8, pos, cp);
        if (cp == kInvalid) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return true;
}

} // namespace kmr
