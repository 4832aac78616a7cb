#include "Resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Library.h"
#include "PicText.h"
#include "TestFiles.h"

namespace {

using kmr::Picture;
using kmr::ResourceImage;
using kmr::ResourceWriter;
using Bytes = std::vector<uint8_t>;

void Set32(Bytes &v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

Picture Solid(int w, int h, uint32_t rgb) {
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.assign(size_t(w) * h, 0xFF000000u | rgb);
    p.pixels[0] = 0xFF000000u; // and one black corner
    return p;
}

// The empty entry, then raw type 10 named "AB" with the bytes 1 2 3, written
// out byte by byte.
const Bytes kHandWritten = {
    0, 0, 0, 0, 32, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, // empty entry
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    3, 0, 0, 0, 36, 0, 0, 0,          // data size, header size
    0xFF, 0xFF, 10, 0,                // type 10
    'A', 0, 'B', 0, 0, 0, 0, 0,       // name "AB", terminator, padding
    0, 0, 0, 0, 0x30, 0x10, 0x19, 0x04, // data version, flags 0x1030, language 1049
    0, 0, 0, 0, 0, 0, 0, 0,           // version, characteristics
    1, 2, 3, 0,                       // data and padding
};

TEST(ResourceImage, ReadsAHandWrittenImage) {
    ResourceImage image;
    ASSERT_TRUE(image.Parse(kHandWritten.data(), kHandWritten.size()));
    ASSERT_EQ(image.Entries().size(), 1u);
    const kmr::ResourceEntry &e = image.Entries()[0];
    EXPECT_EQ(e.type.ordinal, 10);
    EXPECT_TRUE(e.name.isName);
    EXPECT_EQ(e.name.name, u"AB");
    EXPECT_EQ(e.memoryFlags, 0x1030);
    EXPECT_EQ(e.language, 1049);
    ASSERT_NE(image.Find(10, "ab"), nullptr);
    EXPECT_EQ(*image.Find(10, "ab"), (Bytes{1, 2, 3}));
}

TEST(ResourceWriter, WritesTheSameBytes) {
    ResourceWriter w;
    ASSERT_TRUE(w.AddRaw(kmr::kResRcData, "ab", {1, 2, 3}));
    EXPECT_EQ(w.Image(), kHandWritten);
}

ResourceWriter Sample() {
    ResourceWriter w;
    w.AddPicture("Bitmap", Solid(3, 2, 0x00FF00));
    w.AddString(1, "один");
    w.AddString(20, "twenty");
    w.AddRaw(kmr::kResRcData, "data", {9, 8, 7, 6, 5});
    return w;
}

TEST(ResourceImage, RefusesEveryTruncationAndTrailingBytes) {
    const Bytes full = Sample().Image();
    ResourceImage image;
    ASSERT_TRUE(image.Parse(full.data(), full.size()));
    // Where each entry ends: a cut there leaves a shorter, complete image.
    std::vector<size_t> ends;
    for (size_t at = 0; at < full.size();) {
        const uint32_t dataSize = full[at] | full[at + 1] << 8 | full[at + 2] << 16 | full[at + 3] << 24;
        const uint32_t headerSize = full[at + 4] | full[at + 5] << 8 | full[at + 6] << 16 | full[at + 7] << 24;
        at += headerSize + (dataSize + 3) / 4 * 4;
        ends.push_back(at);
    }
    ASSERT_EQ(ends.size(), image.Entries().size() + 1);
    ASSERT_EQ(ends.back(), full.size());
    for (size_t n = 0; n < full.size(); ++n) {
        const Bytes part(full.begin(), full.begin() + n); // exact size: overreads are detectable
        const auto end = std::find(ends.begin(), ends.end(), n);
        if (end == ends.end()) {
            EXPECT_FALSE(image.Parse(part.data(), part.size())) << n << " of " << full.size();
            EXPECT_TRUE(image.Entries().empty());
        } else {
            EXPECT_TRUE(image.Parse(part.data(), part.size())) << n << " of " << full.size();
            EXPECT_EQ(image.Entries().size(), size_t(end - ends.begin()));
        }
    }
    for (uint8_t fill : {0x00, 0xFF})
        for (size_t extra = 1; extra <= 40; ++extra) {
            Bytes longer = full;
            longer.resize(full.size() + extra, fill);
            EXPECT_FALSE(image.Parse(longer.data(), longer.size())) << extra << " extra bytes";
        }
}

TEST(ResourceImage, RefusesMalformedEntries) {
    // Offsets in kHandWritten: the second entry starts at 32.
    struct Case {
        const char *what;
        std::function<void(Bytes &)> change;
    } cases[] = {
        {"no leading empty entry", [](Bytes &b) { b.erase(b.begin(), b.begin() + 32); }},
        {"leading entry with data", [](Bytes &b) { Set32(b, 0, 4); }},
        {"leading entry of another type", [](Bytes &b) { b[10] = 1; }},
        {"leading entry with a longer header", [](Bytes &b) { Set32(b, 4, 36); }},
        {"header size below the minimum", [](Bytes &b) { Set32(b, 36, 28); }},
        {"header size not a multiple of 4", [](Bytes &b) { Set32(b, 36, 37); }},
        {"header size past the end", [](Bytes &b) { Set32(b, 36, 0x1000); }},
        {"header size huge", [](Bytes &b) { Set32(b, 36, 0xFFFFFFFC); }},
        {"header larger than its contents", [](Bytes &b) { Set32(b, 36, 40); }},
        {"header smaller than its contents", [](Bytes &b) { Set32(b, 36, 32); }},
        {"data size past the end", [](Bytes &b) { Set32(b, 32, 5); }},
        {"data size huge", [](Bytes &b) { Set32(b, 32, 0xFFFFFFFF); }},
        {"name without terminator", [](Bytes &b) { b[48] = 'C'; b[50] = 'D'; }},
        {"type string without terminator",
         [](Bytes &b) { for (size_t i = 40; i < 52; ++i) b[i] = 'x'; }},
        {"empty", [](Bytes &b) { b.clear(); }},
    };
    for (const Case &c : cases) {
        Bytes b = kHandWritten;
        c.change(b);
        ResourceImage image;
        EXPECT_FALSE(image.Parse(b.data(), b.size())) << c.what;
    }
}

TEST(ResourceImage, SurvivesEveryByteCorrupted) {
    // Whatever single byte is damaged, parsing and lookups stay in bounds.
    const Bytes full = Sample().Image();
    for (size_t i = 0; i < full.size(); ++i) {
        for (uint8_t v : {0x00, 0x7F, 0xFF}) {
            Bytes b = full;
            b[i] = v;
            ResourceImage image;
            if (!image.Parse(b.data(), b.size())) continue;
            Picture p;
            std::string s;
            image.LoadPicture("BITMAP", p);
            for (unsigned id : {1u, 20u, 21u}) image.LoadString(id, s);
        }
    }
}

TEST(ResourceRoundTrip, PicturesByNameInAnyCase) {
    ResourceWriter w;
    const Picture bitmap = Solid(32, 32, 0x008080), tool = Solid(22, 22, 0xC0C0C0);
    Picture many;
    many.width = 20;
    many.height = 1;
    for (uint32_t i = 0; i < 20; ++i) many.pixels.push_back(0xFF000000u | i * 0x0A0A0A);
    ASSERT_TRUE(w.AddPicture("BITMAP", bitmap));
    ASSERT_TRUE(w.AddPicture("tool", tool));
    ASSERT_TRUE(w.AddPicture("Slide0", many));
    EXPECT_FALSE(w.AddPicture("EMPTY", Picture{}));
    EXPECT_FALSE(w.AddBitmap("", {1}));
    EXPECT_FALSE(w.AddBitmap(std::string_view("A\0B", 3), {1}));
    const Bytes bytes = w.Image();

    ResourceImage image;
    ASSERT_TRUE(image.Parse(bytes.data(), bytes.size()));
    ASSERT_EQ(image.Entries().size(), 3u);
    for (const kmr::ResourceEntry &e : image.Entries()) {
        EXPECT_EQ(e.language, 1049);
        EXPECT_EQ(e.memoryFlags, 0x1030);
    }
    EXPECT_EQ(image.Entries()[1].name.name, u"TOOL") << "names are stored in upper case";

    struct Case {
        const char *name;
        const Picture *expected;
    } cases[] = {{"BITMAP", &bitmap}, {"bitmap", &bitmap}, {"Tool", &tool},
                 {"TOOL", &tool},     {"sLiDe0", &many},  {"Slide1", nullptr},
                 {"BITMAP ", nullptr}, {"", nullptr}};
    for (const Case &c : cases) {
        Picture p;
        EXPECT_EQ(image.LoadPicture(c.name, p), c.expected != nullptr) << c.name;
        if (c.expected) {
            EXPECT_EQ(p.pixels, c.expected->pixels) << c.name;
        }
    }
    EXPECT_EQ(image.Find(kmr::kResRcData, "BITMAP"), nullptr) << "the type must match";
}

TEST(ResourceRoundTrip, ReplacingAnEntryKeepsOne) {
    ResourceWriter w;
    w.AddRaw(kmr::kResRcData, "x", {1});
    w.AddRaw(kmr::kResRcData, "X", {2, 2});
    const Bytes bytes = w.Image();
    ResourceImage image;
    ASSERT_TRUE(image.Parse(bytes.data(), bytes.size()));
    ASSERT_EQ(image.Entries().size(), 1u);
    EXPECT_EQ(*image.Find(kmr::kResRcData, "x"), (Bytes{2, 2}));
}

TEST(ResourceRoundTrip, Strings) {
    const std::string longText(70000, 'x');
    ResourceWriter w;
    struct Case {
        unsigned id;
        std::string text;
    } cases[] = {{0, "zero"},     {15, "Пятнадцать"},       {16, "sixteen\nline two"},
                 {130, "日本語 😀"}, {65535, "last one"}, {40, std::string(65535, 'y')}};
    for (const Case &c : cases) ASSERT_TRUE(w.AddString(c.id, c.text)) << c.id;
    ASSERT_TRUE(w.AddString(1, "")); // an empty slot
    EXPECT_FALSE(w.AddString(65536, "too far"));
    EXPECT_FALSE(w.AddString(2, "bad \xC3"));
    EXPECT_FALSE(w.AddString(3, longText));
    const Bytes bytes = w.Image();

    ResourceImage image;
    ASSERT_TRUE(image.Parse(bytes.data(), bytes.size()));
    for (const Case &c : cases) {
        std::string s;
        EXPECT_TRUE(image.LoadString(c.id, s)) << c.id;
        EXPECT_EQ(s, c.text) << c.id;
    }
    // Blocks hold strings 16*(n-1) .. 16*(n-1)+15 under the number n.
    EXPECT_NE(image.Find(kmr::kResString, uint16_t(1)), nullptr);
    EXPECT_NE(image.Find(kmr::kResString, uint16_t(2)), nullptr);
    EXPECT_NE(image.Find(kmr::kResString, uint16_t(9)), nullptr);
    EXPECT_NE(image.Find(kmr::kResString, uint16_t(4096)), nullptr);
    EXPECT_EQ(image.Find(kmr::kResString, uint16_t(4)), nullptr);
    for (unsigned absent : {1u, 2u, 14u, 17u, 129u, 131u, 1000u, 65534u, 65536u, 4000000000u}) {
        std::string s = "unchanged";
        EXPECT_FALSE(image.LoadString(absent, s)) << absent;
        EXPECT_EQ(s, "unchanged");
    }
}

TEST(ResourceImage, RefusesABrokenStringBlock) {
    // String block 1, which ends inside its second string.
    const Bytes block = {1, 0, 'a', 0, 5, 0, 'b', 0};
    Bytes bytes = ResourceWriter().Image(); // just the empty entry
    ASSERT_EQ(bytes.size(), 32u);
    Bytes entry = {uint8_t(block.size()), 0, 0, 0, 32, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0xFF, 0xFF, 1, 0,
                   0, 0, 0, 0, 0x30, 0x10, 0x19, 0x04, 0, 0, 0, 0, 0, 0, 0, 0};
    entry.insert(entry.end(), block.begin(), block.end());
    bytes.insert(bytes.end(), entry.begin(), entry.end());
    ResourceImage image;
    ASSERT_TRUE(image.Parse(bytes.data(), bytes.size()));
    std::string s;
    EXPECT_TRUE(image.LoadString(0, s));
    EXPECT_EQ(s, "a");
    EXPECT_FALSE(image.LoadString(1, s));
    EXPECT_FALSE(image.LoadString(2, s));
    EXPECT_FALSE(image.LoadString(15, s));
}

TEST(ResourceWriter, WriteFileReplacesWholly) {
    kmrtest::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string path = dir.File("out.res");
    kmrtest::WriteBytes(path, std::string("old contents"));
    const ResourceWriter w = Sample();
    ASSERT_TRUE(w.WriteFile(path));
    const std::string text = kmrtest::ReadText(path);
    EXPECT_EQ(Bytes(text.begin(), text.end()), w.Image());

    // A folder in the way: the write fails and leaves nothing behind.
    std::filesystem::create_directory(dir.File("taken"));
    EXPECT_FALSE(w.WriteFile(dir.File("taken")));
    EXPECT_FALSE(w.WriteFile(dir.File("missing/out.res")));
    size_t files = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 2u) << "only out.res and the folder";
    EXPECT_EQ(kmrtest::ReadText(path), text);
}

TEST(ResourceImage, FromALibraryBuiltWithTheResourceFunction) {
    void *lib = kmr::LoadLibrary(KMR_RES_FIXTURE);
    ASSERT_NE(lib, nullptr) << kmr::LibraryError();
    ResourceImage image;
    ASSERT_TRUE(image.FromLibrary(lib));

    Picture expected, p;
    std::string error;
    ASSERT_TRUE(kmr::ParsePicText(kmrtest::ReadText(std::string(KMR_TEST_DATA) + "/fixture.pic"),
                                  expected, &error))
        << error;
    ASSERT_TRUE(image.LoadPicture("BITMAP", p));
    EXPECT_EQ(p.width, expected.width);
    EXPECT_EQ(p.pixels, expected.pixels);
    ASSERT_TRUE(image.LoadPicture("TOOL", p));
    EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0xFF000000, 0xFF0000FF, 0xFF0000FF, 0xFF000000}));

    std::string s;
    ASSERT_TRUE(image.LoadString(15, s));
    EXPECT_EQ(s, "Пятнадцать");
    ASSERT_TRUE(image.LoadString(130, s));
    EXPECT_EQ(s, "Skipped spaces\tand a tab");
    ASSERT_TRUE(image.LoadString(65535, s));
    EXPECT_EQ(s, "  last, with two leading spaces");
    EXPECT_FALSE(image.LoadString(1, s));

    EXPECT_FALSE(image.FromLibrary(nullptr));
    EXPECT_TRUE(image.Entries().empty());
    kmr::UnloadLibrary(lib);
}

} // namespace
