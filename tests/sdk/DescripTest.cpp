#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

#include "Kmd.h"

namespace {

struct Vars {
    char c = 0;
    int32_t i = 0;
    double d = 0;
    char buf[32] = {};
    bool b = false;
};

int called = 0;
void *calledWith = nullptr;
void onEnter(void *p) {
    ++called;
    calledWith = p;
}

TEST(Descriptor, ShownTexts) {
    Vars v;
    DESCRIPTOR d{};
    struct Case {
        const char *what;
        std::function<void()> fill;
        const char *shown;
    } cases[] = {
        {"char -1 shows unsigned", [&] { v.c = -1; d.SetChar("c", v.c); }, "255"},
        {"int", [&] { v.i = -42; d.SetInt("i", v.i); }, "-42"},
        {"double 0.5", [&] { v.d = 0.5; d.SetDouble("d", v.d); }, "0.5000"},
        {"double 12345.678", [&] { v.d = 12345.678; d.SetDouble("d", v.d); }, "12345.6780"},
        {"double 100", [&] { v.d = 100; d.SetDouble("d", v.d); }, "100.0000"},
        {"bool true", [&] { v.b = true; d.SetBool("b", v.b); }, "true"},
        {"bool false", [&] { v.b = false; d.SetBool("b", v.b); }, "false"},
        {"function", [&] { d.SetFunction("f", onEnter); }, "\x7f"},
        {"text", [&] { std::strcpy(v.buf, "abc"); d.SetCharPtr("t", v.buf, 32); }, "abc"},
        {"unknown kind", [&] { d.SetInt("x", v.i); d.Type = 8; }, ""},
        {"empty entry", [&] { d = DESCRIPTOR{}; }, ""},
    };
    for (auto &c : cases) {
        d = DESCRIPTOR{};
        c.fill();
        EXPECT_STREQ(GetText(&d), c.shown) << c.what;
    }
}

TEST(Descriptor, TakenBackTexts) {
    Vars v;
    DESCRIPTOR d{};
    d.SetChar("c", v.c);
    EXPECT_TRUE(SetText(&d, "300"));
    EXPECT_EQ((unsigned char)v.c, 44);
    EXPECT_STREQ(GetText(&d), "44");
    EXPECT_TRUE(SetText(&d, "  -1xyz"));
    EXPECT_STREQ(GetText(&d), "255");

    d.SetInt("i", v.i);
    v.i = 7;
    EXPECT_TRUE(SetText(&d, "abc"));
    EXPECT_EQ(v.i, 0);
    EXPECT_STREQ(GetText(&d), "0");
    EXPECT_TRUE(SetText(&d, " +123abc"));
    EXPECT_EQ(v.i, 123);

    d.SetDouble("d", v.d);
    EXPECT_TRUE(SetText(&d, "2.5e1"));
    EXPECT_DOUBLE_EQ(v.d, 25.0);
    EXPECT_TRUE(SetText(&d, "x"));
    EXPECT_EQ(v.d, 0.0);

    d.SetBool("b", v.b);
    for (const char *t : {"YES", "Yes", "1", "TRUE", "true"}) {
        v.b = false;
        EXPECT_TRUE(SetText(&d, t));
        EXPECT_TRUE(v.b) << t;
    }
    for (const char *t : {"2", "on", "", "truex"}) {
        v.b = true;
        EXPECT_TRUE(SetText(&d, t));
        EXPECT_FALSE(v.b) << t;
    }
}

TEST(Descriptor, DecimalCommaLocaleDoesNotChangeNumbers) {
    // A program showing windows runs in the user's locale; descriptor texts
    // stay the same everywhere.
    const char *old = setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8") && !setlocale(LC_NUMERIC, "ru_RU.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    Vars v;
    DESCRIPTOR d{};
    d.SetDouble("d", v.d);
    SetText(&d, "0.5");
    EXPECT_EQ(v.d, 0.5);
    EXPECT_STREQ(GetText(&d), "0.5000");
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Descriptor, TextBuffersKeepTheirTerminator) {
    Vars v;
    DESCRIPTOR d{};
    std::string forty(40, 'x');
    d.SetCharPtr("t", v.buf, sizeof v.buf);
    EXPECT_TRUE(SetText(&d, forty.c_str()));
    EXPECT_EQ(std::string(v.buf), std::string(31, 'x'));

    // buflen 0 never stores.
    std::strcpy(v.buf, "keep");
    d.SetCharPtr("t", v.buf, 0);
    EXPECT_TRUE(SetText(&d, "new"));
    EXPECT_STREQ(v.buf, "keep");

    // A short text into a small buffer.
    char small[4] = {'a', 'b', 'c', 'd'};
    d.SetFilename("f", small, sizeof small);
    EXPECT_TRUE(SetText(&d, "hello"));
    EXPECT_STREQ(small, "hel");
}

TEST(Descriptor, LabelsAreCutTo31Characters) {
    DESCRIPTOR d;
    std::memset(&d, 0x55, sizeof d);
    std::string forty(40, 'L');
    int32_t i = 0;
    d.SetInt(forty.c_str(), i);
    EXPECT_EQ(std::string(d.Name), std::string(31, 'L'));
    d.SetName("ab");
    EXPECT_STREQ(d.Name, "ab");
    EXPECT_EQ(d.Name[31], 0);
}

TEST(Descriptor, EnterKey) {
    Vars v;
    DESCRIPTOR d{};
    EXPECT_FALSE(Activate(&d, "1", nullptr)) << "empty entry refuses";
    EXPECT_FALSE(SetText(&d, "1"));

    d.SetBool("b", v.b);
    v.b = true;
    EXPECT_TRUE(Activate(&d, "TRUE", nullptr));
    EXPECT_FALSE(v.b);
    EXPECT_TRUE(Activate(&d, "false", nullptr));
    EXPECT_TRUE(v.b);
    EXPECT_TRUE(Activate(&d, "no", nullptr)) << "other text is taken back";
    EXPECT_FALSE(v.b);

    int instance = 0;
    d.SetFunction("f", onEnter);
    called = 0;
    EXPECT_TRUE(Activate(&d, "", &instance));
    EXPECT_EQ(called, 1);
    EXPECT_EQ(calledWith, &instance);
    d.SetFunction("f", nullptr);
    EXPECT_TRUE(Activate(&d, "", &instance));
    EXPECT_TRUE(SetText(&d, "anything"));

    std::strcpy(v.buf, "old.wav");
    d.SetFilename("f", v.buf, sizeof v.buf);
    EXPECT_TRUE(Activate(&d, "new.wav", nullptr));
    EXPECT_STREQ(v.buf, "old.wav") << "Enter keeps the stored file name";

    d.SetInt("i", v.i);
    EXPECT_TRUE(Activate(&d, "17", nullptr));
    EXPECT_EQ(v.i, 17);

    d.Type = 9;
    EXPECT_TRUE(SetText(&d, "5")) << "unknown kinds accept and store nothing";
    EXPECT_EQ(v.i, 17);
}

TEST(Descriptor, ListEndsAtFirstEmptyRecord) {
    DESCRIPTOR rows[kDescriptorCount] = {};
    int32_t x = 0;
    for (int i : {0, 1, 2, 3, 5}) rows[i].SetInt("r", x);
    int shown = 0;
    while (shown < kDescriptorCount - 1 && rows[shown].Type != _NONE) ++shown;
    EXPECT_EQ(shown, 4);
}

} // namespace
