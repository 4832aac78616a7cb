#include "Cp1251.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>
#include <vector>

namespace {

using kmr::Cp1251ToUtf8;
using kmr::Utf8ToCp1251;
using kmr::Utf8Truncate;

// The system's own converter, when it has code page 1251; empty otherwise.
bool SystemCp1251ToUtf8(const std::string &in, std::string &out) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == iconv_t(-1)) return false;
    std::string src = in;
    std::vector<char> buf(in.size() * 4 + 16);
    char *ip = src.data(), *op = buf.data();
    size_t il = src.size(), ol = buf.size();
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
    iconv_close(cd);
    if (ok) out.assign(buf.data(), op);
    return ok;
}

TEST(Cp1251, EveryDefinedByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != 0x98) all += char(b);
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_TRUE(kmr::IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1251(utf8), all);
    // One byte at a time too: each byte is a character of its own.
    for (char c : all) EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(std::string(1, c))), std::string(1, c));
}

TEST(Cp1251, AgreesWithTheSystemConverter) {
    for (int b = 0x80; b < 256; ++b) {
        if (b == 0x98) continue;
        std::string expected;
        if (!SystemCp1251ToUtf8(std::string(1, char(b)), expected))
            GTEST_SKIP() << "the system has no converter for code page 1251";
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, char(b))), expected) << "byte " << b;
    }
}

TEST(Cp1251, UndefinedByteBecomesReplacementCharacter) {
    EXPECT_EQ(Cp1251ToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(Utf8ToCp1251("a\xEF\xBF\xBDz"), "a?z");
}

TEST(Cp1251, Russian) {
    const std::string cp = "\xCF\xF0\xE8\xE2\xE5\xF2"; // Привет
    EXPECT_EQ(Cp1251ToUtf8(cp), "Привет");
    EXPECT_EQ(Utf8ToCp1251("Привет, мир №1 «ё»"),
              "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0 \xB9" "1 \xAB\xB8\xBB");
    EXPECT_EQ(Cp1251ToUtf8(""), "");
}

TEST(Cp1251, UnmappableAndMalformedBecomeQuestionMarks) {
    struct Case {
        const char *utf8;
        const char *cp1251;
    } cases[] = {
        {"日本", "??"},
        {"x😀y", "x?y"},
        {"é", "?"},                 // Latin letters beyond ASCII are not in the page
        {"€", "\x88"},
        {"a\xFF" "b", "a?b"},         // never valid
        {"\xC0\xAF", "??"},         // overlong '/'
        {"\xE2\x82", "?"},          // truncated euro sign: one broken character
        {"\xE2\x82z", "?z"},
        {"\xED\xA0\x80", "???"},    // an encoded surrogate
        {"\xF4\x90\x80\x80", "????"}, // above U+10FFFF
        {"\x80\x80", "??"},         // stray continuation bytes
    };
    for (const Case &c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
}

// The longest prefix of `s` that ends on a character boundary and has at most
// `max` bytes, worked out from the characters' known lengths.
std::string LongestPrefix(const std::vector<std::string> &chars, size_t max) {
    std::string out;
    for (const std::string &c : chars) {
        if (out.size() + c.size() > max) break;
        out += c;
    }
    return out;
}

TEST(Utf8Truncate, NeverSplitsACharacter) {
    const std::vector<std::string> chars = {"a", "Ж", "€", "😀", "b", "я", "😀", "€", "c"};
    std::string text;
    for (const std::string &c : chars) text += c;
    for (size_t max = 0; max <= text.size() + 2; ++max) {
        const std::string cut = Utf8Truncate(text, max);
        EXPECT_EQ(cut, LongestPrefix(chars, max)) << "max " << max;
        EXPECT_TRUE(kmr::IsValidUtf8(cut));
    }
}

TEST(Utf8Truncate, LanguageTableCut) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "Ю"; // 400 bytes
    EXPECT_EQ(Utf8Truncate(text, 255).size(), 254u);
    EXPECT_EQ(Utf8Truncate(std::string(300, 'x'), 255).size(), 255u);
}

TEST(Utf8Truncate, MalformedTextIsCutExactly) {
    EXPECT_EQ(Utf8Truncate("\x80\x80\x80\x80\x80\x80", 4), "\x80\x80\x80\x80");
    EXPECT_EQ(Utf8Truncate("ab\xFF\xFF", 3), "ab\xFF");
}

TEST(Utf16, ConversionsBothWays) {
    std::u16string u16;
    ASSERT_TRUE(kmr::Utf8ToUtf16("Я€😀z", u16));
    EXPECT_EQ(u16, (std::u16string{0x042F, 0x20AC, 0xD83D, 0xDE00, u'z'}));
    EXPECT_EQ(kmr::Utf16ToUtf8(u16), "Я€😀z");
    // Unpaired surrogates become U+FFFD.
    EXPECT_EQ(kmr::Utf16ToUtf8(std::u16string{0xD83D, u'a', 0xDE00}), "\uFFFDa\uFFFD");
    EXPECT_FALSE(kmr::Utf8ToUtf16("a\xC3", u16));
    EXPECT_FALSE(kmr::Utf8ToUtf16("\xED\xB0\x80", u16));
}

} // namespace
