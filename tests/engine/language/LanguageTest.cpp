// The language holder and the eight language tables of the program folder.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "Library.h"
#include "Resource.h"
#include "Strings.h"

namespace {

namespace fs = std::filesystem;

const char *const kNames[kLanguageCount] = {"Russian", "English",    "Ukrainian", "German",
                                            "Belarusian", "French", "Polish",   "Italian"};

// Restores the program's holder to its default state after a test.
struct GlobalLanguage : ::testing::Test {
    void TearDown() override {
        Language.UnloadLanguage();
        Language.SetFolder(KMR_PROGRAM_DIR);
    }
};

// ---------------------------------------------------------------------------
// GetString and its two buffers

TEST_F(GlobalLanguage, GetStringAnswersEmptyForNumbersWithoutText) {
    Language.SetFolder(KMR_PROGRAM_DIR);
    ASSERT_TRUE(Language.LoadLanguage(1));
    for (int number : {-1, -1000, INT_MIN, 0, 1, 49, 75, 142, 65535, 65536, INT_MAX})
        EXPECT_STREQ(GetString(number), "") << number;
    EXPECT_STRNE(GetString(28), "");
}

TEST_F(GlobalLanguage, ThreeCallsKeepTheSecondTextAndReuseTheFirstBuffer) {
    Language.SetFolder(KMR_PROGRAM_DIR);
    ASSERT_TRUE(Language.LoadLanguage(1));
    const char *first = GetString(9);
    const std::string firstText = first;
    const char *second = GetString(24);
    const std::string secondText = second;
    EXPECT_NE(first, second);
    EXPECT_EQ(first, firstText); // a message and its caption are usable together

    const char *third = GetString(48);
    EXPECT_EQ(third, first);
    EXPECT_EQ(second, secondText);
    EXPECT_NE(std::string(third), firstText);
}

TEST_F(GlobalLanguage, WithoutALibraryEveryTextIsEmpty) {
    Language.UnloadLanguage();
    EXPECT_FALSE(Language.Loaded());
    for (int number : kLanguageTextNumbers) EXPECT_STREQ(GetString(number), "") << number;
}

// ---------------------------------------------------------------------------
// Finding and loading a library

TEST(LanguageFolder, DefaultsToTheFolderOfTheRunningProgram) {
    const LANGUAGE language;
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(fs::path(language.Folder()), exe.parent_path());
}

TEST(LanguageFolder, AllEightLibrariesAreInTheProgramFolder) {
    LANGUAGE language;
    language.SetFolder(KMR_PROGRAM_DIR);
    for (int n = 0; n < kLanguageCount; ++n) {
        EXPECT_TRUE(language.LanguageExists(n)) << kNames[n];
        EXPECT_TRUE(language.LoadLanguage(n)) << kNames[n];
        EXPECT_EQ(language.Current(), n);
    }
    for (int n : {-1, 8, 10, INT_MAX}) {
        EXPECT_FALSE(language.LanguageExists(n)) << n;
        EXPECT_FALSE(language.LoadLanguage(n)) << n;
        EXPECT_FALSE(language.Loaded());
    }
}

TEST(LanguageFolder, AnEmptyFolderHasNoLanguage) {
    const fs::path empty = fs::path(testing::TempDir()) / "kmr_no_languages";
    fs::create_directories(empty);
    LANGUAGE language;
    language.SetFolder(empty.string());
    char buffer[kTextBufferSize] = "stale";
    for (int n = 0; n < kLanguageCount; ++n) {
        EXPECT_FALSE(language.LanguageExists(n));
        EXPECT_FALSE(language.LoadLanguage(n));
        EXPECT_FALSE(language.Loaded());
        EXPECT_EQ(language.Current(), -1);
    }
    EXPECT_FALSE(language.LoadText(buffer, 28));
    EXPECT_STREQ(buffer, "");
}

// What a failed load leaves behind, from a loaded table: LoadLanguage always
// drops the current table first; SwitchLanguage keeps it unless the new one
// loads.
TEST(LanguageSwitch, FailedLoadsAndSwitches) {
    struct Case {
        const char *what;
        int n;
        bool exists;
    };
    const Case cases[] = {
        {"missing file", 3, false},
        {"not a library", 1, true},
        {"library without a string table", 2, true},
        {"no such language number", 9, false},
    };
    LANGUAGE language;
    language.SetFolder(KMR_LANG_FIXTURE_DIR);
    char buffer[kTextBufferSize];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(language.LanguageExists(c.n), c.exists);

        ASSERT_TRUE(language.LoadLanguage(0));
        EXPECT_FALSE(language.SwitchLanguage(c.n));
        EXPECT_TRUE(language.Loaded());
        EXPECT_EQ(language.Current(), 0);
        EXPECT_TRUE(language.LoadText(buffer, 2));

        EXPECT_FALSE(language.LoadLanguage(c.n));
        EXPECT_FALSE(language.Loaded());
        EXPECT_EQ(language.Current(), -1);
        EXPECT_FALSE(language.LoadText(buffer, 2));
        EXPECT_STREQ(buffer, "");
    }
}

TEST(LanguageSwitch, SwitchReplacesTheTableOnSuccess) {
    LANGUAGE language;
    language.SetFolder(KMR_PROGRAM_DIR);
    char buffer[kTextBufferSize];
    ASSERT_TRUE(language.SwitchLanguage(1));
    ASSERT_TRUE(language.LoadText(buffer, 110));
    const std::string englishInEnglish = buffer;

    ASSERT_TRUE(language.SwitchLanguage(3));
    EXPECT_EQ(language.Current(), 3);
    ASSERT_TRUE(language.LoadText(buffer, 110));
    EXPECT_NE(englishInEnglish, buffer);
    EXPECT_TRUE(language.SwitchLanguage(3)); // already loaded: nothing to do
    EXPECT_EQ(language.Current(), 3);
}

// ---------------------------------------------------------------------------
// The 255-byte cut

TEST(LanguageText, CutTo255BytesWithoutSplittingACharacter) {
    const std::string a(251, 'a');
    std::string zhe;
    for (int i = 0; i < 127; ++i) zhe += "ж";
    const struct {
        int id;
        std::string expected;
    } cases[] = {
        {1, zhe},                          // 200 two-byte characters
        {2, a + "aaaa"},                   // exactly 255 bytes stay whole
        {3, a + "aaaa"},                   // 256 ASCII bytes lose the last
        {4, a + "aa" + "ж"},               // two-byte character ending at 255
        {5, a + "aaa"},                    // ... and straddling the limit
        {6, a + "a" + "€"},                // three-byte character ending at 255
        {7, a + "aa"},                     // ... and straddling the limit
        {8, a + "𝄞"},                      // four-byte character ending at 255
        {9, a + "a"},                      // ... and straddling the limit
    };
    LANGUAGE language;
    language.SetFolder(KMR_LANG_FIXTURE_DIR);
    ASSERT_TRUE(language.LoadLanguage(0));
    for (const auto &c : cases) {
        struct {
            char text[kTextBufferSize];
            char guard;
        } buffer;
        std::memset(&buffer, 'x', sizeof buffer);
        ASSERT_TRUE(language.LoadText(buffer.text, c.id)) << c.id;
        EXPECT_EQ(std::string(buffer.text), c.expected) << c.id;
        EXPECT_EQ(buffer.guard, 'x') << c.id; // nothing written past the buffer
    }
}

// ---------------------------------------------------------------------------
// The contents of the eight tables

// Every text of the library of language n, read whole (uncut).
std::map<int, std::string> ReadTable(int n) {
    std::map<int, std::string> texts;
    const std::string path = (fs::path(KMR_PROGRAM_DIR) / LANGUAGE::FileName(n)).string();
    void *library = kmr::LoadLibrary(path);
    if (!library) {
        ADD_FAILURE() << path << ": " << kmr::LibraryError();
        return texts;
    }
    kmr::ResourceImage image;
    EXPECT_TRUE(image.FromLibrary(library)) << path;
    for (int id = 0; id < 1024; ++id) {
        std::string text;
        if (image.LoadString(unsigned(id), text)) texts[id] = text;
    }
    kmr::UnloadLibrary(library);
    return texts;
}

// The accelerator of a menu entry or button: the character after its single
// '&', folded to lower case; 0 when there is none, -1 when it is malformed
// (more than one '&', "&&", or '&' before a blank or at the end).
long Accelerator(const std::string &text) {
    const size_t at = text.find('&');
    if (at == std::string::npos) return 0;
    if (text.find('&', at + 1) != std::string::npos) return -1;
    std::u16string rest;
    if (!kmr::Utf8ToUtf16(text.substr(at + 1), rest) || rest.empty() || rest[0] == u' ')
        return -1;
    return long(std::towlower(wint_t(rest[0])));
}

// Entries shown together in one menu or window: their accelerators must
// differ. Each entry carries exactly one.
const std::vector<std::vector<int>> kAcceleratorGroups = {
    {37, 32, 33, 38, 101, 40},       // menu bar
    {28, 126, 29, 30, 132, 31},      // File
    {134, 133},                      // Settings
    {39},                            // Decoration
    {32, 100, 117, 127},             // Window
    {128, 129},                      // Lessons
    {118, 41, 42},                   // Help
    {43, 44, 102, 103, 106, 107},    // module context menu
    {92},                            // its Inspector entry before it first opens
    {104, 39},                       // context menu of the drawing area
    {45, 44},                        // label context menu
    {135, 106},                      // panel button menu (99 is also a caption)
    {56, 62, 63, 64, 65, 66, 67},    // label editor
    {82, 83},                        // settings and panel configuration dialogs
    {122, 121, 82},                  // save question
    {72},                            // progress window
};

class LanguageTable : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        std::setlocale(LC_CTYPE, "C.UTF-8"); // towlower beyond ASCII
        for (int n = 0; n < kLanguageCount; ++n) tables_[n] = ReadTable(n);
    }
    const std::map<int, std::string> &Table() const { return tables_[GetParam()]; }
    std::string Text(int id) const {
        const auto it = Table().find(id);
        return it == Table().end() ? std::string() : it->second;
    }
    static std::map<int, std::string> tables_[kLanguageCount];
};
std::map<int, std::string> LanguageTable::tables_[kLanguageCount];

TEST_P(LanguageTable, HoldsEveryNumberOfTheProgramAndNoOther) {
    const std::set<int> used(std::begin(kLanguageTextNumbers), std::end(kLanguageTextNumbers));
    for (int id : used) {
        const std::string text = Text(id);
        EXPECT_FALSE(text.empty()) << "text " << id << " is missing";
        EXPECT_LE(text.size(), 255u) << "text " << id << " would be cut";
        EXPECT_TRUE(kmr::IsValidUtf8(text)) << id;
    }
    for (const auto &[id, text] : Table())
        EXPECT_TRUE(used.count(id)) << "text " << id << " is not used by the program";
}

TEST_P(LanguageTable, OnlyTheCountMessageIsAFormat) {
    const std::string count = Text(15);
    const size_t at = count.find("%d");
    ASSERT_NE(at, std::string::npos) << count;
    EXPECT_EQ(count.find('%', at + 1), std::string::npos) << count;
    EXPECT_EQ(count.find('%'), at) << count;
    for (int id : kLanguageTextNumbers)
        if (id != 15) {
            EXPECT_EQ(Text(id).find('%'), std::string::npos) << id << ": " << Text(id);
        }
}

// The status line joins these pieces with numbers without adding blanks:
// "Net " 3 ", segment " 12, "Module " 5, "Calculating: " 42 " %",
// "Calculated in " 2.005 " s".
TEST_P(LanguageTable, StatusPiecesKeepTheirBlanks) {
    for (int id : {2, 3, 4, 6, 18}) {
        const std::string text = Text(id);
        ASSERT_FALSE(text.empty()) << id;
        EXPECT_EQ(text.back(), ' ') << id << ": \"" << text << "\"";
    }
    for (int id : {3, 74}) {
        const std::string text = Text(id);
        ASSERT_FALSE(text.empty()) << id;
        EXPECT_TRUE(text[0] == ' ' || text[0] == ',') << id << ": \"" << text << "\"";
    }
}

TEST_P(LanguageTable, MenuAndButtonAcceleratorsAreSingleAndDistinct) {
    std::set<int> withAccelerator;
    for (const auto &group : kAcceleratorGroups) {
        std::map<long, int> seen;
        for (int id : group) {
            withAccelerator.insert(id);
            const long key = Accelerator(Text(id));
            EXPECT_GT(key, 0) << id << ": \"" << Text(id) << "\"";
            const auto [it, fresh] = seen.emplace(key, id);
            EXPECT_TRUE(fresh || key <= 0) << "\"" << Text(id) << "\" and \""
                                           << Text(it->second) << "\" share an accelerator";
        }
    }
    // Captions, messages, hints and labels carry no '&' (99 is a menu entry
    // and a window caption at once).
    for (int id : kLanguageTextNumbers)
        if (!withAccelerator.count(id)) {
            EXPECT_EQ(Text(id).find('&'), std::string::npos) << id << ": " << Text(id);
        }
}

TEST_P(LanguageTable, AboutTextNamesTheProgramAndItsVersion) {
    const std::string about = Text(130);
    EXPECT_NE(about.find("Kelmora"), std::string::npos) << about;
    EXPECT_NE(about.find("4.0"), std::string::npos) << about;
}

TEST_P(LanguageTable, NamesOfTheEightLanguagesDiffer) {
    std::set<std::string> names;
    for (int id = 109; id <= 116; ++id) names.insert(Text(id));
    EXPECT_EQ(names.size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LanguageTable, ::testing::Range(0, kLanguageCount),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(kNames[info.param]);
                         });

} // namespace
