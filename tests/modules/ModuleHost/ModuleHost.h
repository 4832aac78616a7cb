// A small host for the tests of the module plug-ins: loads a built plug-in
// from the program's kmd folder through the platform loader and reaches it
// only through the host-side calls, as the main program does.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Library.h"
#include "MemoryStream.h"
#include "Module.h"
#include "ModuleType.h"
#include "Resource.h"

namespace kmrtest {

// The byte stream the savers and loaders are tested with.
using ::MemoryStream;

// What every module type declares about itself.
struct TypeFacts {
    const char *file;             // plug-in file in the kmd folder
    int size;                     // fnSIZE
    CPOINT in[4];                 // input pins, (-1, -1) when absent
    CPOINT out;                   // output pin
    int32_t attr;                 // attribute bits set by Create
    const char *russianTip;       // UTF-8 here; the plug-in answers Windows-1251
    const char *englishTip;
    int helpContext;
};

// The topic of the last help request; set by the stand-in for the main
// window's help entry in ModuleHost.cpp, which a test program exports.
extern int lastHelpTopic;

// Relative tolerance of the exact-value checks.
inline ::testing::AssertionResult Near(double actual, double expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    if (std::fabs(actual - expected) <= 1e-9 * std::fabs(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not "
                                         << ::testing::PrintToString(expected);
}

// Distinct colours of a picture.
inline size_t Colours(const kmr::Picture &p) { return std::set<uint32_t>(p.pixels.begin(), p.pixels.end()).size(); }

class ModuleHost : public ::testing::Test {
protected:
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    MODULE_TYPE type;
    std::vector<std::vector<unsigned char>> blocks; // instances made by New()

    static std::string pluginPath(const char *file) { return std::string(KMR_PLUGIN_DIR) + "/" + file; }

    void Load(const char *file) {
        params.Freq = 44100;
        params.FullTime = 5.0;
        params.Limitation = true;
        params.Val = val;
        params.Descr = descr;
        type.Library = kmr::LoadLibrary(pluginPath(file));
        ASSERT_NE(type.Library, nullptr) << kmr::LibraryError();
        type.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(type.Library, KMD_ENTRY_NAME));
        ASSERT_NE(type.Entry, nullptr);
        kmd::SetParams(type, &params);
    }
    void TearDown() override { kmr::UnloadLibrary(type.Library); }

    // A new instance as the host makes it: fnSIZE bytes, zero-filled, the
    // MODULE defaults set, then Create. The block lives as long as the test.
    template <class View = MODULE>
    View *New() {
        int size = kmd::Size(type);
        EXPECT_GE(size, (int)sizeof(View));
        blocks.emplace_back(size >= (int)sizeof(View) ? size : sizeof(View));
        auto *m = reinterpret_cast<MODULE *>(blocks.back().data());
        m->loc.Set(-1, -1);
        m->end.Set(-1, -1);
        m->out.Set(-1, -1);
        for (auto &p : m->in) p.Set(-1, -1);
        m->amp = 100.0;
        kmd::Create(type, m);
        return reinterpret_cast<View *>(m);
    }

    // The instance's own bytes behind MODULE.
    unsigned char *Own(MODULE *m) { return reinterpret_cast<unsigned char *>(m) + sizeof(MODULE); }

    // The bytes of an instance.
    std::vector<unsigned char> Bytes(const MODULE *m) {
        auto *p = reinterpret_cast<const unsigned char *>(m);
        return {p, p + kmd::Size(type)};
    }

    // The own bytes Save writes.
    std::vector<unsigned char> Saved(MODULE *m) {
        MemoryStream out;
        EXPECT_TRUE(kmd::Save(type, m, &out.s));
        return out.bytes;
    }

    // For a type without own data: saves and loads nothing (the next record's
    // byte stays unread), describes no rows, and setup, a run and a mouse
    // press change nothing of the instance.
    void ExpectNoOwnData() {
        auto *m = New();
        EXPECT_TRUE(Saved(m).empty());
        MemoryStream in({0xEE});
        EXPECT_TRUE(kmd::Load(type, m, &in.s));
        EXPECT_EQ(in.pos, 0u) << "the next record's byte stays unread";

        kmd::Describe(type, m);
        EXPECT_EQ(descr[2].Type, _NONE);

        auto before = Bytes(m);
        kmd::Setup(type, m);
        EXPECT_TRUE(kmd::Start(type, m));
        EXPECT_TRUE(kmd::Stop(type, m));
        EXPECT_FALSE(kmd::MouseDown(type, m, KmdPackPoint(5, 20)));
        EXPECT_EQ(Bytes(m), before);
    }

    // Which help topic the type asks for, with a help tree in the current folder.
    int HelpTopic() {
        namespace fs = std::filesystem;
        fs::path old = fs::current_path();
        fs::path dir = fs::temp_directory_path() / ("kmr-help-" + std::to_string(getpid()));
        fs::create_directories(dir / "Help");
        std::ofstream(dir / "Help" / "index.html") << "<html></html>\n";
        fs::current_path(dir);
        lastHelpTopic = -1;
        kmd::Help(type);
        fs::current_path(old);
        fs::remove_all(dir);
        return lastHelpTopic;
    }

    // The type's resource image.
    kmr::ResourceImage Resources() {
        kmr::ResourceImage res;
        EXPECT_TRUE(res.FromLibrary(type.Library));
        return res;
    }

    // The checks every type shares: size, pins, attributes, texts, pictures,
    // help and the copy buffer.
    void ExpectFacts(const TypeFacts &f) {
        SCOPED_TRACE(f.file);
        EXPECT_EQ(kmd::Size(type), f.size);

        MODULE *m = New();
        EXPECT_EQ(m->end.x, 31);
        EXPECT_EQ(m->end.y, 31);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(m->in[i].x, f.in[i].x) << "input " << i;
            EXPECT_EQ(m->in[i].y, f.in[i].y) << "input " << i;
        }
        EXPECT_EQ(m->out.x, f.out.x);
        EXPECT_EQ(m->out.y, f.out.y);
        EXPECT_EQ(m->attr, f.attr);
        EXPECT_EQ(m->amp, 100.0) << "Create leaves the gain to the host";
        EXPECT_EQ(m->loc.x, -1) << "Create leaves the place to the host";

        const char *about = kmd::About(type);
        ASSERT_NE(about, nullptr);
        const std::string head = KMD_ABOUT_PREFIX " 4.0\n";
        EXPECT_EQ(std::string(about).rfind(head, 0), 0u) << about;
        size_t own = std::strlen(about) - head.size();
        EXPECT_GT(own, 0u);
        EXPECT_LE(own, 48u);

        params.Lang = 0;
        std::string russian = kmd::ToolTip(type);
        EXPECT_EQ(kmr::Cp1251ToUtf8(russian), f.russianTip);
        EXPECT_EQ(russian, kmr::Utf8ToCp1251(f.russianTip)) << "Windows-1251 bytes, one a letter";
        for (char lang : {1, 2, 7}) {
            params.Lang = lang;
            EXPECT_STREQ(kmd::ToolTip(type), f.englishTip) << "language " << int(lang);
        }
        params.Lang = 0;

        EXPECT_EQ(HelpTopic(), f.helpContext);

        // The module library accepts the type and finds it by its hint.
        AVMODULES library(&params);
        library.SetFolder(KMR_PLUGIN_DIR);
        ASSERT_TRUE(library.LoadType(f.file));
        EXPECT_EQ(library.FindByToolTip(russian), 0);
        EXPECT_EQ(library.GetType(0).Bitmap->width, 32);

        // Pictures: the schematic one has the instance's size, the button 22 x 22;
        // each pin is drawn out to the edge it sits on, and 16 colours suffice.
        kmr::ResourceImage res;
        ASSERT_TRUE(res.FromLibrary(type.Library));
        kmr::Picture bitmap, tool;
        ASSERT_TRUE(res.LoadPicture("BITMAP", bitmap));
        ASSERT_TRUE(res.LoadPicture("TOOL", tool));
        EXPECT_EQ(bitmap.width, m->end.x + 1);
        EXPECT_EQ(bitmap.height, m->end.y + 1);
        EXPECT_EQ(tool.width, 22);
        EXPECT_EQ(tool.height, 22);
        const uint32_t field = bitmap.At(0, 0);
        auto pinDrawn = [&](CPOINT p) {
            int x = p.x >= bitmap.width ? bitmap.width - 1 : p.x;
            return bitmap.At(x, p.y) != field;
        };
        for (int i = 0; i < 4; ++i) {
            if (f.in[i].Valid()) {
                EXPECT_TRUE(pinDrawn(f.in[i])) << "input " << i;
            }
        }
        if (f.out.Valid()) {
            EXPECT_TRUE(pinDrawn(f.out)) << "output";
        }
        for (const kmr::Picture *p : {&bitmap, &tool}) {
            EXPECT_LE(Colours(*p), 16u);
        }
    }
};

} // namespace kmrtest
