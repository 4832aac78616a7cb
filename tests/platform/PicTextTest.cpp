#include "PicText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PicText, ParsesAPicture) {
    const char *text =
        "# comment\n"
        "size 4 2   # trailing comment\n"
        "\n"
        "  color . 008080   # dark cyan\n"
        "color # ffFFff\r\n"
        "color r FF0000\n"
        "pixels # rows follow\n"
        "#..r\r\n"
        "r..#   \n"
        "# done\n"
        "\n";
    kmr::Picture p;
    std::string error;
    ASSERT_TRUE(kmr::ParsePicText(text, p, &error)) << error;
    EXPECT_EQ(p.width, 4);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF008080, 0xFF008080, 0xFFFF0000,
                                               0xFFFF0000, 0xFF008080, 0xFF008080, 0xFFFFFFFF}));
}

TEST(PicText, ErrorsNameTheLine) {
    struct Case {
        const char *what;
        const char *text;
        const char *error; // expected start of the message
    } cases[] = {
        {"too few rows", "size 2 2\ncolor a 000000\npixels\naa\n", "line 4: the text ends after 1 of 2"},
        {"too many rows", "size 2 1\ncolor a 000000\npixels\naa\naa\n", "line 5: unexpected text"},
        {"short row", "size 3 2\ncolor a 000000\npixels\naaa\naa\n", "line 5: row 2 has 2 characters, expected 3"},
        {"long row", "size 2 1\ncolor a 000000\npixels\naaa\n", "line 4: row 1 has 3"},
        {"unknown colour", "size 2 1\ncolor a 000000\npixels\nab\n", "line 4: column 2: no colour is defined for 'b'"},
        {"non-ASCII pixel", "size 1 1\ncolor a 000000\npixels\n\xD0\n", "line 4: column 1: no colour is defined for byte 0xD0"},
        {"no size", "color a 000000\npixels\n", "line 2: 'pixels' before 'size'"},
        {"zero size", "size 0 4\n", "line 1: expected 'size WIDTH HEIGHT'"},
        {"size above the cap", "size 16385 1\n", "line 1: expected 'size"},
        {"size not a number", "size 4x 4\n", "line 1: expected 'size"},
        {"size missing height", "size 4\n", "line 1: expected 'size"},
        {"size twice", "size 1 1\nsize 1 1\n", "line 2: size given twice"},
        {"short colour", "size 1 1\ncolor a 00000\n", "line 2: colour must be six hex"},
        {"bad hex", "size 1 1\ncolor a 00000G\n", "line 2: colour must be six hex"},
        {"two-character name", "size 1 1\ncolor ab 000000\n", "line 2: a colour is named"},
        {"colour twice", "size 1 1\ncolor a 000000\ncolor a 111111\n", "line 3: colour 'a' defined twice"},
        {"colour without value", "size 1 1\ncolor a\n", "line 2: expected 'color"},
        {"unknown keyword", "size 1 1\ncolour a 000000\n", "line 2: unknown keyword 'colour'"},
        {"pixels with arguments", "size 1 1\npixels 3\n", "line 2: 'pixels' takes no"},
        {"no pixels", "size 1 1\ncolor a 000000\n", "line 2: no 'pixels' section"},
        {"empty text", "", "line 1: no 'pixels'"},
    };
    for (const Case &c : cases) {
        kmr::Picture p;
        p.width = 99;
        std::string error;
        EXPECT_FALSE(kmr::ParsePicText(c.text, p, &error)) << c.what;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.what << ": " << error;
        EXPECT_EQ(p.width, 99) << c.what;
    }
}

} // namespace
