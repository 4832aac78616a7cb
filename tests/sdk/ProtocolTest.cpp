// The entry protocol end to end: real plug-ins loaded through the platform
// loader and called through the host-side calls.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Cp1251.h"
#include "Library.h"
#include "MemoryStream.h"
#include "ModuleType.h"
#include "Resource.h"

namespace {

// Own fields of the test plug-in, as it lays them out behind MODULE.
#pragma pack(push, 4)
struct TestmodView : MODULE {
    int32_t Mode;
    double Factor;
    char Note[20];
    int32_t PressX, PressY;
    int32_t Started;
    int32_t SetupCalls;
};
#pragma pack(pop)

class Protocol : public ::testing::Test {
protected:
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    MODULE_TYPE type;
    MODULE_TYPE empty;

    static std::string path(const char *name) { return std::string(KMR_TEST_PLUGIN_DIR) + "/" + name; }

    void SetUp() override {
        params.Freq = 44100;
        params.FullTime = 5.0;
        params.Limitation = true;
        params.Val = val;
        params.Descr = descr;
        load(type, "Testmod.kmd");
    }
    void TearDown() override { kmr::UnloadLibrary(type.Library); }

    void load(MODULE_TYPE &t, const char *name) {
        t.Library = kmr::LoadLibrary(path(name));
        ASSERT_NE(t.Library, nullptr) << kmr::LibraryError();
        t.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(t.Library, KMD_ENTRY_NAME));
        ASSERT_NE(t.Entry, nullptr);
        kmd::SetParams(t, &params);
    }

    // An instance block as the host makes it: zero-filled, MODULE defaults set.
    std::vector<unsigned char> newBlock(const MODULE_TYPE &t) {
        int size = kmd::Size(t);
        std::vector<unsigned char> block(size > 0 ? size : 0);
        if (block.size() < sizeof(MODULE)) return block;
        auto *m = reinterpret_cast<MODULE *>(block.data());
        m->loc.Set(-1, -1);
        m->end.Set(-1, -1);
        m->out.Set(-1, -1);
        for (auto &p : m->in) p.Set(-1, -1);
        m->amp = 100.0;
        kmd::Create(t, m);
        return block;
    }
};

TEST_F(Protocol, CreateSetsPinsAndOwnDefaults) {
    EXPECT_EQ(kmd::Size(type), (int)sizeof(TestmodView));
    auto block = newBlock(type);
    auto *m = reinterpret_cast<TestmodView *>(block.data());
    EXPECT_EQ(m->end.x, 31);
    EXPECT_EQ(m->in[0].y, 16);
    EXPECT_FALSE(m->in[1].Valid());
    EXPECT_EQ(m->out.x, 32);
    EXPECT_EQ(m->Mode, 3);
    EXPECT_STREQ(m->Note, "note");
    EXPECT_EQ(m->amp, 100.0);
}

TEST_F(Protocol, TextsAndLanguage) {
    std::string about = kmd::About(type);
    EXPECT_EQ(about.rfind(KMD_ABOUT_PREFIX, 0), 0u);
    params.Lang = 0;
    EXPECT_EQ(kmr::Cp1251ToUtf8(kmd::ToolTip(type)), "Тестовый модуль");
    EXPECT_EQ(std::strlen(kmd::ToolTip(type)), 15u) << "one byte a letter";
    for (char lang : {1, 2, 7}) {
        params.Lang = lang;
        EXPECT_STREQ(kmd::ToolTip(type), "Test module");
    }
}

TEST_F(Protocol, CountReadsInputsAndWritesOutput) {
    auto block = newBlock(type);
    auto *m = reinterpret_cast<MODULE *>(block.data());
    m->wirein[0] = 5;
    m->wireout = 7;
    m->amp = 50.0;
    val[5] = 1000.0;
    ASSERT_TRUE(kmd::Start(type, m));
    kmd::Count(type, m, 10);
    EXPECT_DOUBLE_EQ(val[7], 1000.0 * 1.5 * 0.5 + 10);
    EXPECT_TRUE(kmd::Stop(type, m));

    // Unconnected output: computes, writes nothing; net 0 stays 0.
    m->wireout = 0;
    kmd::Count(type, m, 1);
    EXPECT_EQ(val[0], 0.0);

    // A refused start answers false.
    reinterpret_cast<TestmodView *>(m)->Mode = -1;
    EXPECT_FALSE(kmd::Start(type, m));
}

TEST_F(Protocol, OutOfRangeNumbersAndNullInstancesAnswerZero) {
    auto block = newBlock(type);
    auto before = block;
    for (int fn : {17, -1, 1000, INT32_MIN})
        EXPECT_EQ(type.Entry(fn, block.data(), 5), 0) << fn;
    EXPECT_EQ(block, before);

    for (int fn : {fnCREATE, fnDESTROY, fnSETUP, fnDESCR, fnCOUNT, fnSTART, fnSTOP, fnSAVE, fnLOAD, fnCOPY,
                   fnPASTE, fnMOUSEDOWN})
        EXPECT_EQ(type.Entry(fn, nullptr, 0), 0) << fn;
}

TEST_F(Protocol, EmptyEntryCallsNothing) {
    MODULE m{};
    EXPECT_EQ(kmd::Size(empty), 0);
    EXPECT_FALSE(kmd::Start(empty, &m));
    EXPECT_FALSE(kmd::Copy(empty, &m));
    EXPECT_EQ(kmd::About(empty), nullptr);
    EXPECT_EQ(kmd::ToolTip(empty), nullptr);
    EXPECT_FALSE(kmd::MouseDown(empty, &m, 0));
    kmd::Create(empty, &m);
    kmd::Count(empty, &m, 0);
    kmd::Help(empty);
}

TEST_F(Protocol, CopyAndPaste) {
    auto a = newBlock(type);
    auto b = newBlock(type);
    // Nothing copied since the library was loaded.
    EXPECT_FALSE(kmd::Paste(type, reinterpret_cast<MODULE *>(b.data())));

    auto *ma = reinterpret_cast<TestmodView *>(a.data());
    ma->loc.Set(48, 64);
    ma->wirein[0] = 9;
    ma->Mode = 11;
    std::strcpy(ma->UserName, "first");
    ASSERT_TRUE(kmd::Copy(type, ma));
    auto atCopy = a;
    ma->Mode = 12; // changes after the copy are not in the buffer

    ASSERT_TRUE(kmd::Paste(type, reinterpret_cast<MODULE *>(b.data())));
    EXPECT_EQ(b, atCopy);

    // Another instance can take the same copy.
    auto c = newBlock(type);
    EXPECT_TRUE(kmd::Paste(type, reinterpret_cast<MODULE *>(c.data())));
    EXPECT_EQ(c, atCopy);
}

TEST_F(Protocol, MouseDownPointComesApart) {
    auto block = newBlock(type);
    auto *m = reinterpret_cast<TestmodView *>(block.data());
    int32_t locxy = KmdPackPoint(5, 20);
    EXPECT_EQ(locxy, 327700);
    EXPECT_TRUE(kmd::MouseDown(type, m, locxy));
    EXPECT_EQ(m->PressX, 5);
    EXPECT_EQ(m->PressY, 20);
    EXPECT_FALSE(kmd::MouseDown(type, m, KmdPackPoint(31, 2))) << "not handled: the editor goes on";
    EXPECT_EQ(m->PressX, 31);

    // A type without MouseDown answers 0.
    MODULE_TYPE minimal;
    load(minimal, "Testmin.kmd");
    auto mb = newBlock(minimal);
    EXPECT_FALSE(kmd::MouseDown(minimal, reinterpret_cast<MODULE *>(mb.data()), locxy));
    kmr::UnloadLibrary(minimal.Library);
}

TEST_F(Protocol, SaveAndLoadOwnBytes) {
    auto a = newBlock(type);
    auto *ma = reinterpret_cast<TestmodView *>(a.data());
    ma->Mode = 77;
    ma->Factor = -2.25;
    std::strcpy(ma->Note, "saved");
    MemoryStream out;
    ASSERT_TRUE(kmd::Save(type, ma, &out.s));
    EXPECT_EQ(out.bytes.size(), 4u + 8u + 20u);

    auto b = newBlock(type);
    auto *mb = reinterpret_cast<TestmodView *>(b.data());
    MemoryStream in;
    in.bytes = out.bytes;
    in.bytes.push_back(0xEE); // the next record's first byte stays unread
    ASSERT_TRUE(kmd::Load(type, mb, &in.s));
    EXPECT_EQ(in.pos, out.bytes.size());
    EXPECT_EQ(mb->Mode, 77);
    EXPECT_EQ(mb->Factor, -2.25);
    EXPECT_STREQ(mb->Note, "saved");

    // A stream that falls short answers false.
    MemoryStream full;
    full.limit = 10;
    EXPECT_FALSE(kmd::Save(type, ma, &full.s));
    MemoryStream truncated;
    truncated.bytes.assign(out.bytes.begin(), out.bytes.begin() + 6);
    EXPECT_FALSE(kmd::Load(type, mb, &truncated.s));
}

TEST_F(Protocol, DefaultsOfTheMinimalPlugin) {
    MODULE_TYPE minimal;
    load(minimal, "Testmin.kmd");
    EXPECT_EQ(kmd::Size(minimal), (int)sizeof(MODULE));
    auto block = newBlock(minimal);
    auto *m = reinterpret_cast<MODULE *>(block.data());
    auto before = block;
    kmd::Setup(minimal, m);
    kmd::Describe(minimal, m);
    kmd::Destroy(minimal, m);
    EXPECT_EQ(block, before);
    EXPECT_TRUE(kmd::Start(minimal, m));
    EXPECT_TRUE(kmd::Stop(minimal, m));
    MemoryStream s;
    EXPECT_TRUE(kmd::Save(minimal, m, &s.s));
    EXPECT_TRUE(s.bytes.empty()) << "no own data";
    EXPECT_TRUE(kmd::Load(minimal, m, &s.s));
    m->wireout = 3;
    m->amp = 42.0;
    kmd::Count(minimal, m, 0);
    EXPECT_EQ(val[3], 42.0);
    kmr::UnloadLibrary(minimal.Library);
}

TEST_F(Protocol, DescriptionFillsRowsFromTwoOn) {
    auto block = newBlock(type);
    auto *m = reinterpret_cast<TestmodView *>(block.data());
    params.Lang = 1;
    kmd::Describe(type, m);
    EXPECT_EQ(descr[0].Type, _NONE) << "rows 0 and 1 are the host's";
    EXPECT_STREQ(descr[2].Name, "Mode");
    EXPECT_EQ(descr[2].Param, &m->Mode);
    ASSERT_TRUE(SetText(&descr[3], "0.25"));
    EXPECT_EQ(m->Factor, 0.25);
    EXPECT_STREQ(GetText(&descr[4]), "note");
}

TEST_F(Protocol, ResourceImageCarriesBothPictures) {
    kmr::ResourceImage res;
    ASSERT_TRUE(res.FromLibrary(type.Library));
    kmr::Picture bitmap, tool;
    ASSERT_TRUE(res.LoadPicture("BITMAP", bitmap));
    ASSERT_TRUE(res.LoadPicture("tool", tool));
    EXPECT_EQ(bitmap.width, 32);
    EXPECT_EQ(bitmap.height, 32);
    EXPECT_EQ(tool.width, 22);
    EXPECT_EQ(bitmap.At(15, 15) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bitmap.At(0, 0) & 0xFFFFFF, 0x000000u);
}

TEST_F(Protocol, LibraryLoadStartsWithEmptyCopyBuffer) {
    auto a = newBlock(type);
    ASSERT_TRUE(kmd::Copy(type, reinterpret_cast<MODULE *>(a.data())));
    kmr::UnloadLibrary(type.Library);
    type = MODULE_TYPE{};
    load(type, "Testmod.kmd");
    auto b = newBlock(type);
    EXPECT_FALSE(kmd::Paste(type, reinterpret_cast<MODULE *>(b.data())));
}

} // namespace
