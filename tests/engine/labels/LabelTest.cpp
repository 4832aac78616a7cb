#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Cp1251.h"
#include "Label.h"
#include "MemoryStream.h"

using kmr::LABCLASS;
using kmr::LABEL;

namespace {

// Records what the engine told the editor.
struct Host : kmr::LabelHost {
    std::vector<std::string> events;
    void LabelCreated(int slot, LABEL &) override { events.push_back("+" + std::to_string(slot)); }
    void LabelChanged(int slot, LABEL &) override { events.push_back("~" + std::to_string(slot)); }
    void LabelDeleted(int slot) override { events.push_back("-" + std::to_string(slot)); }
};

std::vector<unsigned char> saved(const LABCLASS &labels) {
    MemoryStream out;
    EXPECT_TRUE(labels.Save(&out));
    return out.bytes;
}

TEST(Labels, SlotsAndDefaults) {
    LABCLASS labels;
    EXPECT_EQ(labels.CreateLabel(10, 50, "x"), nullptr) << "no owner, no label";
    Host host;
    labels.SetOwner(&host);
    LABEL *first = labels.CreateLabel(10, 50, "");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Text, "------------------");
    EXPECT_EQ(first->Left, 10);
    EXPECT_EQ(first->Color, kmr::kColorButtonFace);
    for (int i = 1; i < 6; ++i) ASSERT_NE(labels.CreateLabel(0, 0, "t"), nullptr);
    EXPECT_TRUE(labels.DeleteLabel(3));
    EXPECT_FALSE(labels.DeleteLabel(3));
    EXPECT_FALSE(labels.DeleteLabel(64));
    EXPECT_FALSE(labels.DeleteLabel(-1));
    LABEL *again = labels.CreateLabel(0, 0, "new");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Tag, 3);
    EXPECT_EQ(labels.Get(3), again);

    for (int i = 6; i < LABCLASS::kSlots; ++i) ASSERT_NE(labels.CreateLabel(0, 0, "t"), nullptr);
    EXPECT_EQ(labels.FreeLabelSlot(), -1);
    EXPECT_EQ(labels.CreateLabel(0, 0, "t"), nullptr);
    EXPECT_EQ(labels.CountLabels(), 64);
    labels.ClearAll();
    EXPECT_EQ(labels.CountLabels(), 0);
    EXPECT_EQ(host.events.back(), "-63");
}

TEST(Labels, SectionLayout) {
    Host host;
    LABCLASS labels;
    labels.SetOwner(&host);
    auto empty = saved(labels);
    ASSERT_EQ(empty.size(), 18u);
    EXPECT_EQ(std::string(empty.begin(), empty.begin() + 14), "LABELS_SECTION");

    LABEL *a = labels.CreateLabel(5, 6, "A");
    a->Width = 30;
    a->Height = 13;
    a->FontStyle = kmr::StyleBold | kmr::StyleItalic;
    labels.CreateLabel(0, 0, "   "); // only spaces: neither counted nor written
    auto bytes = saved(labels);
    ASSERT_EQ(bytes.size(), 18u + 4 + 4 + 1 + 172);
    auto at32 = [&](size_t o) { return (int32_t)(bytes[o] | bytes[o + 1] << 8 | bytes[o + 2] << 16 | bytes[o + 3] << 24); };
    EXPECT_EQ(at32(14), 1) << "count";
    EXPECT_EQ(at32(18), 1) << "L";
    EXPECT_EQ(at32(22), -1) << "check";
    EXPECT_EQ(bytes[26], 'A');
    const size_t p = 27;
    EXPECT_EQ(bytes[p + 1], 1) << "auto size";
    EXPECT_EQ(at32(p + 4), 5);
    EXPECT_EQ(at32(p + 8), 6);
    EXPECT_EQ(at32(p + 12), 13) << "height before width";
    EXPECT_EQ(at32(p + 16), 30);
    EXPECT_EQ((uint32_t)at32(p + 20), 0x8000000Fu);
    EXPECT_EQ(std::string((const char *)&bytes[p + 32]), "DejaVu Sans");
    EXPECT_EQ(bytes[p + 164], 3);
    EXPECT_EQ(bytes[p + 165], 204);
    EXPECT_EQ(at32(p + 168), 96);
}

TEST(Labels, RoundTripKeepsEveryProperty) {
    Host host;
    LABCLASS labels;
    labels.SetOwner(&host);
    LABEL *l = labels.CreateLabel(100, 200, kmr::Utf8ToCp1251("Генератор\r\nи фильтр"));
    l->Width = 120;
    l->Height = 40;
    l->AutoSize = false;
    l->Alignment = kmr::AlignCenter;
    l->Transparent = true;
    l->Color = 0x00336699;
    l->FontColor = 0x000000FF;
    l->FontHeight = -16;
    std::strcpy(l->FontName, "DejaVu Serif");
    l->FontSize = 12;
    l->FontStyle = kmr::StyleUnderline | kmr::StyleStrikeOut;
    l->Pitch = 2;
    l->PixelsPerInch = 120;
    labels.CreateLabel(300, 10, "second");
    auto first = saved(labels);

    LABCLASS back;
    back.SetOwner(&host);
    MemoryStream in(first);
    int maxX = 0, maxY = 0;
    ASSERT_TRUE(back.Load(&in, maxX, maxY));
    EXPECT_EQ(in.pos, first.size());
    EXPECT_EQ(back.CountLabels(), 2);
    EXPECT_EQ(kmr::Cp1251ToUtf8(back.Get(0)->Text), "Генератор\r\nи фильтр");
    EXPECT_EQ(maxX, 300 + back.Get(1)->Width);
    EXPECT_EQ(maxY, 240);
    EXPECT_EQ(saved(back), first);
}

TEST(Labels, DamagedSectionsAreRefused) {
    Host host;
    LABCLASS labels;
    labels.SetOwner(&host);
    labels.CreateLabel(0, 0, "one");
    labels.CreateLabel(0, 0, "two");
    auto good = saved(labels);
    const size_t second = 18 + 8 + 3 + 172; // where the second entry starts

    struct Case {
        const char *what;
        size_t offset;
        std::vector<unsigned char> bytes;
        int labelsLeft; // -1: the labels already there stay
    } cases[] = {
        {"wrong header", 0, {'X'}, -1},
        {"negative count", 14, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
        {"count above 64", 14, {65, 0, 0, 0}, -1},
        {"check value not -L at the second label", second + 4, {0xFE, 0xFF, 0xFF, 0xFF}, 1},
        {"negative length", 18, {0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"length beyond the bytes present", second, {0xFF, 0xFF, 0xFF, 0x7F}, 1},
    };
    for (auto &c : cases) {
        auto bytes = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + c.offset);
        if (c.offset == second) { // keep the check value consistent with the huge length
            int32_t check = -0x7FFFFFFF;
            std::memcpy(&bytes[second + 4], &check, 4);
        }
        LABCLASS back;
        back.SetOwner(&host);
        back.CreateLabel(0, 0, "old");
        MemoryStream in(bytes);
        int mx = 0, my = 0;
        EXPECT_FALSE(back.Load(&in, mx, my)) << c.what;
        EXPECT_EQ(back.CountLabels(), c.labelsLeft < 0 ? 1 : c.labelsLeft) << c.what;
    }

    // Every truncation fails cleanly.
    for (size_t n = 0; n < good.size(); ++n) {
        LABCLASS back;
        back.SetOwner(&host);
        MemoryStream in(std::vector<unsigned char>(good.begin(), good.begin() + n));
        int mx = 0, my = 0;
        EXPECT_FALSE(back.Load(&in, mx, my)) << n;
    }

    // No owner: nothing is read.
    LABCLASS ownerless;
    MemoryStream in(good);
    int mx = 0, my = 0;
    EXPECT_FALSE(ownerless.Load(&in, mx, my));
}

TEST(Labels, FontNameStaysTerminatedWithinItsField) {
    Host host;
    LABCLASS labels;
    labels.SetOwner(&host);
    labels.CreateLabel(0, 0, "A");
    auto bytes = saved(labels);
    std::fill(bytes.begin() + 27 + 32, bytes.begin() + 27 + 160, 'F');
    LABCLASS back;
    back.SetOwner(&host);
    MemoryStream in(bytes);
    int mx = 0, my = 0;
    ASSERT_TRUE(back.Load(&in, mx, my));
    EXPECT_EQ(std::string(back.Get(0)->FontName), std::string(127, 'F'));
}

} // namespace
