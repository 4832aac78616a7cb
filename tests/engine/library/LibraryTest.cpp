// The module library: which plug-ins become types, how types are named and
// found, the empty spare entry, unloading, and drawing a type's picture.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "MemorySurface.h"
#include "Stands.h"
#include "Text1251.h"

namespace fs = std::filesystem;
using stands::IsLoaded;
using stands::Path;

namespace {

class ModuleLibrary : public ::testing::Test {
protected:
    stands::Host host;
    AVMODULES lib{&host.params};

    void SetUp() override { lib.SetFolder(LIBRARY_KMD_DIR); }
};

TEST_F(ModuleLibrary, AcceptedPlugInsFillTheTableInLoadOrder) {
    const char *files[] = {"Tgen.kmd", "Tfilter.kmd", "Trec.kmd", "Plusbox.kmd", "Tback.kmd",
                           "Newver.kmd"}; // the last one's about text goes on with version 5.1
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(files[i]);
        ASSERT_TRUE(lib.LoadType(files[i]));
        EXPECT_EQ(lib.CountTypes(), i + 1);
        EXPECT_TRUE(lib.TypeExists(i));
        EXPECT_STREQ(lib.TypeName(i), files[i]);
        const MODULE_TYPE &t = lib.GetType(i);
        char padded[sizeof t.FileName] = {};
        std::strcpy(padded, files[i]);
        EXPECT_EQ(std::memcmp(t.FileName, padded, sizeof padded), 0) << "the rest of FileName is zero";
        ASSERT_TRUE(t.Bitmap && t.Tool);
        EXPECT_EQ(t.Bitmap->width, 32);
        EXPECT_EQ(t.Bitmap->height, 32);
        EXPECT_EQ(t.Tool->width, 22);
        EXPECT_EQ(t.Tool->height, 22);
        EXPECT_FALSE(t.OnPanel);
        EXPECT_EQ(t.PanelPos, -1);
    }
    // The plug-ins read the host's own record: their tool tips follow its language.
    EXPECT_STREQ(kmd::ToolTip(lib.GetType(3)), "Adder");
    host.params.Lang = 0;
    EXPECT_STREQ(kmd::ToolTip(lib.GetType(3)), KMD_1251("Сумматор"));
}

TEST_F(ModuleLibrary, RefusedPlugInsAreUnloadedAndTakeNoEntry) {
    struct Case {
        const char *file;
        const char *library; // the file that must not stay loaded
    } cases[] = {
        {"Badabout.kmd", "Badabout.kmd"},     // differs in the 23rd about character
        {"Shortabout.kmd", "Shortabout.kmd"}, // about text shorter than the prefix
        {"Nullabout.kmd", "Nullabout.kmd"},   // no about text at all
        {"Notool.kmd", "Notool.kmd"},         // BITMAP but no TOOL picture
        {"Noentry.kmd", "Noentry.kmd"},       // no entry point
        {"Notlib.kmd", nullptr},              // not a library
        {"Missing.kmd", nullptr},             // no such file
        {"", nullptr},
        {"../library-kmd/Tgen.kmd", "Tgen.kmd"}, // a file name must not name a folder
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_FALSE(lib.LoadType(c.file));
        EXPECT_EQ(lib.CountTypes(), 0);
        EXPECT_FALSE(lib.TypeExists(0));
        if (c.library) {
            EXPECT_FALSE(IsLoaded(Path(c.library)));
        }
    }
}

TEST_F(ModuleLibrary, NoTypeIsAcceptedWithoutTheHostParameters) {
    AVMODULES bare;
    bare.SetFolder(LIBRARY_KMD_DIR);
    EXPECT_FALSE(bare.LoadType("Tgen.kmd"));
    EXPECT_FALSE(IsLoaded(Path("Tgen.kmd")));
}

TEST_F(ModuleLibrary, FileNamesOf64CharactersAreRefused) {
    fs::path dir = fs::path(::testing::TempDir()) / "library-names";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string name63 = std::string(59, 'a') + ".kmd", name64 = std::string(60, 'b') + ".kmd";
    fs::copy_file(Path("Tgen.kmd"), dir / name63);
    fs::copy_file(Path("Tgen.kmd"), dir / name64);
    lib.SetFolder(dir.string());

    EXPECT_FALSE(lib.LoadType(name64));
    EXPECT_FALSE(IsLoaded((dir / name64).string()));
    ASSERT_TRUE(lib.LoadType(name63));
    EXPECT_STREQ(lib.TypeName(0), name63.c_str());
    lib.UnloadAll();
    fs::remove_all(dir);
}

TEST_F(ModuleLibrary, AFullTableRefusesFurtherTypes) {
    for (int i = 0; i < AVMODULES::kTypeCount; ++i) ASSERT_TRUE(lib.LoadType("Tgen.kmd")) << i;
    EXPECT_EQ(lib.CountTypes(), 64);
    EXPECT_STREQ(lib.TypeName(63), "Tgen.kmd");
    EXPECT_FALSE(lib.LoadType("Tfilter.kmd"));
    EXPECT_FALSE(IsLoaded(Path("Tfilter.kmd")));
    EXPECT_EQ(lib.CountTypes(), 64);
}

TEST_F(ModuleLibrary, NumbersWithoutATypeAreNamelessAndReachTheEmptySpare) {
    ASSERT_TRUE(lib.LoadType("Tgen.kmd"));
    for (int type : {-1, 1, 63, 64, 200, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(type);
        EXPECT_STREQ(lib.TypeName(type), "noname");
        EXPECT_FALSE(lib.TypeExists(type));
        EXPECT_FALSE(lib.GetType(type).Loaded());
    }

    // Every call through the spare does nothing and answers the neutral value.
    const MODULE_TYPE &spare = lib.GetType(200);
    alignas(double) unsigned char block[256], before[256];
    std::memset(block, 0x5A, sizeof block);
    std::memcpy(before, block, sizeof block);
    auto *m = reinterpret_cast<MODULE *>(block);
    kmd::Create(spare, m);
    kmd::Count(spare, m, 0);
    kmd::Destroy(spare, m);
    EXPECT_EQ(std::memcmp(block, before, sizeof block), 0);
    EXPECT_EQ(kmd::Size(spare), 0);
    EXPECT_FALSE(kmd::Start(spare, m));
    EXPECT_FALSE(kmd::Stop(spare, m));
    EXPECT_FALSE(kmd::Copy(spare, m));
    EXPECT_FALSE(kmd::Paste(spare, m));
    EXPECT_FALSE(kmd::MouseDown(spare, m, 0));
    EXPECT_EQ(kmd::About(spare), nullptr);
    EXPECT_EQ(kmd::ToolTip(spare), nullptr);
}

// A plug-in's size answer is pointer-wide; the host takes only answers that
// fit an int, so a wide one is not mistaken for its low bits.
namespace {
intptr_t sizeAnswer = 0;
intptr_t AnswerSize(int fn, void *, intptr_t) { return fn == fnSIZE ? sizeAnswer : 0; }
} // namespace

TEST(ModuleSize, AnswersOutsideIntAreNoSize) {
    int library = 0;
    MODULE_TYPE t;
    t.Library = &library;
    t.Entry = AnswerSize;
    const intptr_t wide = (intptr_t)1 << 32;
    for (auto [answer, size] : {std::pair<intptr_t, int>{136, 136},
                                {INT_MAX, INT_MAX},
                                {wide + 136, 0},
                                {-1, 0},
                                {(intptr_t)INT_MAX + 1, 0}}) {
        sizeAnswer = answer;
        EXPECT_EQ(kmd::Size(t), size) << answer;
    }
    t.Library = nullptr; // nothing to unload
}

TEST_F(ModuleLibrary, LookupsByFileNameAndToolTip) {
    ASSERT_TRUE(lib.LoadType("Tgen.kmd"));
    ASSERT_TRUE(lib.LoadType("Tfilter.kmd"));
    ASSERT_TRUE(lib.LoadType("Plusbox.kmd"));
    struct Case {
        bool byFile;
        char lang;
        const char *text;
        int type;
    } cases[] = {
        {true, 1, "PLUSBOX.KMD", 2},
        {true, 1, "plusbox.kmd", 2},
        {true, 1, "Tgen.kmd", 0},
        {true, 1, "Plusbox", -1},
        {true, 1, "Plusbox.kmd ", -1},
        {true, 1, "", -1},
        {false, 1, "ADDER", 2},
        {false, 1, "filter", 1},
        {false, 1, "Adde", -1},
        {false, 1, "", -1},
        // Windows-1251 bytes compare as bytes: only ASCII letters fold.
        {false, 0, KMD_1251("Сумматор"), 2},
        {false, 0, KMD_1251("СУММАТОР"), -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        host.params.Lang = c.lang;
        EXPECT_EQ(c.byFile ? lib.FindByFileName(c.text) : lib.FindByToolTip(c.text), c.type);
    }
}

TEST_F(ModuleLibrary, UnloadAllEmptiesEveryEntry) {
    ASSERT_TRUE(lib.LoadType("Tgen.kmd"));
    ASSERT_TRUE(lib.LoadType("Plusbox.kmd"));
    lib.GetType(1).PanelPos = 4;
    ASSERT_TRUE(IsLoaded(Path("Plusbox.kmd")));
    lib.UnloadAll();
    EXPECT_EQ(lib.CountTypes(), 0);
    EXPECT_FALSE(IsLoaded(Path("Tgen.kmd")));
    EXPECT_FALSE(IsLoaded(Path("Plusbox.kmd")));
    EXPECT_STREQ(lib.TypeName(1), "noname");
    EXPECT_FALSE(lib.GetType(1).Bitmap);
    EXPECT_EQ(lib.GetType(1).PanelPos, -1);
    EXPECT_EQ(lib.FindByFileName("Plusbox.kmd"), -1);
    // The table fills from entry 0 again.
    ASSERT_TRUE(lib.LoadType("Plusbox.kmd"));
    EXPECT_EQ(lib.FindByFileName("Plusbox.kmd"), 0);
}

// A surface whose every pixel differs from its neighbours, so a misplaced
// or half-restored picture shows.
kmr::MemorySurface patterned(int w, int h) {
    kmr::MemorySurface s(w, h, 0x808080);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.SetPixel(x, y, (uint32_t)(x * 0x010307 + y * 0x0B0503) & 0xFFFFFF);
    return s;
}

TEST_F(ModuleLibrary, DrawTypePictureCopiesOrInvertsAndKeepsTheRasterOp) {
    ASSERT_TRUE(lib.LoadType("Tgen.kmd"));
    const kmr::Picture &pic = *lib.GetType(0).Bitmap;
    kmr::MemorySurface s = patterned(64, 48);
    const auto original = s.Pixels();

    s.SetOp(kmr::RasterOp::Invert);
    lib.DrawTypePicture(0, &s, 8, 4, kmr::RasterOp::Copy);
    EXPECT_EQ(s.Op(), kmr::RasterOp::Invert);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            bool inside = x >= 8 && x < 40 && y >= 4 && y < 36;
            uint32_t want = inside ? pic.At(x - 8, y - 4) & 0xFFFFFF : original[y * 64 + x];
            ASSERT_EQ(s.Pixel(x, y), want) << x << "," << y;
        }

    kmr::MemorySurface t = patterned(64, 48);
    lib.DrawTypePicture(0, &t, 40, 20, kmr::RasterOp::Invert); // runs off the right edge
    EXPECT_EQ(t.Op(), kmr::RasterOp::Copy);
    EXPECT_EQ(t.Pixel(41, 21), original[21 * 64 + 41] ^ (pic.At(1, 1) & 0xFFFFFF));
    lib.DrawTypePicture(0, &t, 40, 20, kmr::RasterOp::Invert);
    EXPECT_EQ(t.Pixels(), original);

    // Nothing is drawn at an absent point, for a number without a type, or
    // without a surface.
    lib.DrawTypePicture(0, &t, -1, 4, kmr::RasterOp::Copy);
    lib.DrawTypePicture(0, &t, 4, -1, kmr::RasterOp::Copy);
    lib.DrawTypePicture(1, &t, 0, 0, kmr::RasterOp::Copy);
    lib.DrawTypePicture(200, &t, 0, 0, kmr::RasterOp::Copy);
    lib.DrawTypePicture(0, nullptr, 0, 0, kmr::RasterOp::Copy);
    EXPECT_EQ(t.Pixels(), original);
}

} // namespace
