// The toolbar file "kmr.tbr" and the places of the toolbar's buttons, with
// the types loaded as 0 Tonegen, 1 Delay, 2 Plusbox.
#include <gtest/gtest.h>

#include "EditorTest.h"
#include "Utbctrl.h"

namespace {

class ToolbarFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        types.SetFolder(KMR_PLUGIN_DIR);
        for (const char *name : {"Tonegen.kmd", "Delay.kmd", "Plusbox.kmd"}) ASSERT_TRUE(types.LoadType(name)) << name;
        for (int t = 0; t < 3; ++t) types.GetType(t).PanelPos = t;
    }

    // (PanelPos, OnPanel) of types 0..2.
    std::vector<std::pair<int, bool>> Places() const {
        std::vector<std::pair<int, bool>> p;
        for (int t = 0; t < 3; ++t) p.emplace_back(types.GetType(t).PanelPos, types.GetType(t).OnPanel);
        return p;
    }

    using Places_ = std::vector<std::pair<int, bool>>;
    edtest::TempFolder folder;
    double val[kNetCount] = {};
    PARAMS params{44100, 5.0, true, false, val, 1, nullptr, 0, nullptr, nullptr, nullptr};
    AVMODULES types{&params};
};

TEST_F(ToolbarFileTest, ReadsPlacesAndWritesThemBackInPositionOrder) {
    edtest::WriteFile("kmr.tbr", "-delay.kmd\n+Tonegen.kmd\n");
    ASSERT_TRUE(kmr::LoadToolbarFile(types));
    // Delay first and in the module window, Tonegen next, Plusbox appended.
    EXPECT_EQ(Places(), (Places_{{1, false}, {0, true}, {2, false}}));

    const std::vector<kmr::PanelControl> layout = kmr::PanelLayout(types, 0);
    ASSERT_EQ(layout.size(), 9u);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(layout[k].tag, 2000 + k);
        EXPECT_EQ(layout[k].left, 8 + 32 * k);
    }
    EXPECT_EQ(layout[6].tag, -1);
    EXPECT_EQ(layout[6].left, 208);
    EXPECT_EQ(layout[6].width, 4);
    EXPECT_EQ(layout[7].tag, 0); // Tonegen
    EXPECT_EQ(layout[7].left, 216);
    EXPECT_TRUE(layout[7].pressed);
    EXPECT_EQ(layout[8].tag, 2); // Plusbox
    EXPECT_EQ(layout[8].left, 248);
    EXPECT_FALSE(layout[8].pressed);

    ASSERT_TRUE(kmr::SaveToolbarFile(types));
    EXPECT_EQ(edtest::ReadFile("kmr.tbr"), "-Delay.kmd\n+Tonegen.kmd\n+Plusbox.kmd\n");
}

TEST_F(ToolbarFileTest, ReadingTable) {
    struct Case {
        const char *what;
        std::string file;
        Places_ places;
    };
    const std::string longLine = "+" + std::string(199, 'x');
    const Case cases[] = {
        {"carriage returns dropped", "+Plusbox.kmd\r\n-Tonegen.kmd\r\n", {{1, true}, {2, false}, {0, false}}},
        {"last line without line feed", "+Plusbox.kmd\n-Delay.kmd", {{2, false}, {1, true}, {0, false}}},
        {"unknown names take no place", "+Nothing.kmd\n\n+\n-Plusbox.kmd\n", {{1, false}, {2, false}, {0, true}}},
        {"a repeated name keeps its first place", "+Delay.kmd\n-Delay.kmd\n+Plusbox.kmd\n+delay.KMD\n",
         {{2, false}, {0, false}, {1, false}}},
        {"a long line ends the reading", "-Plusbox.kmd\n" + longLine + "\n-Delay.kmd\n",
         {{1, false}, {2, false}, {0, true}}},
        {"127 characters are still a line", "-Plusbox.kmd\n+" + std::string(126, 'x') + "\n-Delay.kmd\n",
         {{2, false}, {1, true}, {0, true}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (int t = 0; t < 3; ++t) types.GetType(t).OnPanel = false;
        edtest::WriteFile("kmr.tbr", c.file);
        ASSERT_TRUE(kmr::LoadToolbarFile(types));
        EXPECT_EQ(Places(), c.places);
    }
}

TEST_F(ToolbarFileTest, MissingFileChangesNothing) {
    types.GetType(1).OnPanel = true;
    EXPECT_FALSE(kmr::LoadToolbarFile(types));
    EXPECT_EQ(Places(), (Places_{{0, false}, {1, true}, {2, false}}));
    // Buttons in the module window leave no gap on the toolbar.
    const std::vector<kmr::PanelControl> layout = kmr::PanelLayout(types, 1);
    ASSERT_EQ(layout.size(), 9u);
    EXPECT_EQ(layout[7].tag, 0);
    EXPECT_EQ(layout[8].tag, 2);
    EXPECT_EQ(layout[8].left, 248);
    EXPECT_FALSE(layout[7].pressed || layout[8].pressed);
}

} // namespace
