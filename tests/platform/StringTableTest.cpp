#include "StringTable.h"

#include <gtest/gtest.h>

namespace {

using Table = std::map<unsigned, std::string>;

TEST(StringTable, ParsesLinesCommentsAndEscapes) {
    const char *text =
        "\xEF\xBB\xBF# a comment\n"
        "\n"
        "   \t\n"
        "0\tZero\r\n"
        "  # indented comment\n"
        "15      Пятнадцать\n"
        "16\t  kept leading spaces\n"
        "130 a\\tb\\nc\\\\d\n"
        "65535\n"
        "7\t# not a comment";
    Table t;
    std::string error;
    ASSERT_TRUE(kmr::ParseStringTable(text, t, &error)) << error;
    EXPECT_EQ(t, (Table{{0, "Zero"},
                        {7, "# not a comment"},
                        {15, "Пятнадцать"},
                        {16, "  kept leading spaces"},
                        {130, "a\tb\nc\\d"},
                        {65535, ""}}));
}

TEST(StringTable, ErrorsNameTheLine) {
    struct Case {
        const char *text;
        const char *error;
    } cases[] = {
        {"1\ta\n1\tb\n", "line 2: string 1 given twice"},
        {"1\ta\n01 b\n", "line 2: string 1 given twice"},
        {"# c\n65536\tx\n", "line 2: string number above 65535"},
        {"99999999999999999999 x\n", "line 1: string number above 65535"},
        {"x\tabc\n", "line 1: expected a string number"},
        {"-1\tabc\n", "line 1: expected a string number"},
        {"12a\tabc\n", "line 1: expected a tab or spaces"},
        {"\n\n3\tbad \\q escape\n", "line 3: unknown escape \\q"},
        {"3\ttrailing \\", "line 1: backslash at the end"},
        {"3\t\xC3\x28\n", "line 1: text is not valid UTF-8"},
    };
    for (const Case &c : cases) {
        Table t{{5, "kept"}};
        std::string error;
        EXPECT_FALSE(kmr::ParseStringTable(c.text, t, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " -> " << error;
        EXPECT_EQ(t, (Table{{5, "kept"}})) << "left unchanged on failure";
    }
}

} // namespace
