// Runs the kmr-res packer as the build does and checks what it writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Picture.h"
#include "Resource.h"
#include "TestFiles.h"

extern char **environ;

namespace {

using Bytes = std::vector<uint8_t>;

// Runs kmr-res with `args`; answers its exit status (-1 when it did not exit
// normally) and puts what it wrote to its error output into `err`.
int RunTool(const kmrtest::TempDir &dir, const std::vector<std::string> &args, std::string &err) {
    const std::string errPath = dir.File("stderr.txt");
    std::vector<std::string> all = {KMR_RES_TOOL};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    err = kmrtest::ReadText(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The bytes of the array in a source written by "kmr-res embed".
bool BytesOfSource(const std::string &src, Bytes &out) {
    const size_t open = src.find('{'), close = src.find("};");
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    out.clear();
    size_t pos = open;
    while ((pos = src.find("0x", pos)) != std::string::npos && pos < close) {
        out.push_back(uint8_t(std::stoul(src.substr(pos + 2, 2), nullptr, 16)));
        pos += 4;
    }
    return true;
}

TEST(ResTool, PacksAndEmbeds) {
    kmrtest::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    kmrtest::WriteBytes(dir.File("a.pic"), std::string("size 3 1\ncolor x 102030\ncolor y A0B0C0\npixels\nxyx\n"));
    kmr::Picture big;
    big.width = 5;
    big.height = 4;
    for (uint32_t i = 0; i < 20; ++i) big.pixels.push_back(0xFF000000u | (i * 0x0B0D11));
    kmrtest::WriteBytes(dir.File("b.bmp"), kmr::EncodeBmpFile(big));
    kmrtest::WriteBytes(dir.File("s.txt"), std::string("# texts\n0\tноль\n17  seventeen\\nlines\n"));

    std::string err;
    ASSERT_EQ(RunTool(dir, {"pack", dir.File("out.res"), "small=" + dir.File("a.pic"),
                            "BIG=" + dir.File("b.bmp"), "--strings", dir.File("s.txt")},
                      err),
              0)
        << err;
    const std::string res = kmrtest::ReadText(dir.File("out.res"));
    kmr::ResourceImage image;
    ASSERT_TRUE(image.Parse(reinterpret_cast<const uint8_t *>(res.data()), res.size()));
    kmr::Picture p;
    ASSERT_TRUE(image.LoadPicture("SMALL", p));
    EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0xFF102030, 0xFFA0B0C0, 0xFF102030}));
    ASSERT_TRUE(image.LoadPicture("big", p));
    EXPECT_EQ(p.pixels, big.pixels);
    std::string s;
    ASSERT_TRUE(image.LoadString(0, s));
    EXPECT_EQ(s, "ноль");
    ASSERT_TRUE(image.LoadString(17, s));
    EXPECT_EQ(s, "seventeen\nlines");

    ASSERT_EQ(RunTool(dir, {"embed", dir.File("out.res"), dir.File("out.c")}, err), 0) << err;
    const std::string src = kmrtest::ReadText(dir.File("out.c"));
    EXPECT_NE(src.find("visibility(\"default\")"), std::string::npos);
    EXPECT_NE(src.find("aligned(4)"), std::string::npos);
    EXPECT_NE(src.find("const unsigned char KmrResources[]"), std::string::npos);
    Bytes embedded;
    ASSERT_TRUE(BytesOfSource(src, embedded));
    ASSERT_EQ(embedded.size(), res.size() + 4);
    const uint32_t length = embedded[0] | embedded[1] << 8 | embedded[2] << 16 | uint32_t(embedded[3]) << 24;
    EXPECT_EQ(length, res.size());
    EXPECT_EQ(std::string(embedded.begin() + 4, embedded.end()), res);
}

TEST(ResTool, EmptyPackIsAValidImage) {
    kmrtest::TempDir dir;
    std::string err;
    ASSERT_EQ(RunTool(dir, {"pack", dir.File("empty.res")}, err), 0) << err;
    const std::string res = kmrtest::ReadText(dir.File("empty.res"));
    kmr::ResourceImage image;
    EXPECT_TRUE(image.Parse(reinterpret_cast<const uint8_t *>(res.data()), res.size()));
    EXPECT_TRUE(image.Entries().empty());
}

TEST(ResTool, FailsWithAMessage) {
    kmrtest::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    kmrtest::WriteBytes(dir.File("ok.pic"), std::string("size 1 1\ncolor a 000000\npixels\na\n"));
    kmrtest::WriteBytes(dir.File("bad.pic"), std::string("size 2 1\ncolor a 000000\ncolor b 0000\n"));
    kmrtest::WriteBytes(dir.File("bad.bmp"), std::string("BM not really"));
    kmrtest::WriteBytes(dir.File("dup.txt"), std::string("1\tone\n1\tagain\n"));
    kmrtest::WriteBytes(dir.File("junk.res"), std::string("not a resource image"));
    const std::string out = dir.File("out.res"), ok = dir.File("ok.pic");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "usage"},
        {{"unpack", out}, "usage"},
        {{"pack"}, "usage"},
        {{"pack", out, "--strings"}, "usage"},
        {{"pack", out, "A=" + dir.File("missing.pic")}, "missing.pic: cannot read"},
        {{"pack", out, "A=" + dir.File("bad.pic")}, "bad.pic: line 3: colour must be six hex"},
        {{"pack", out, "A=" + dir.File("bad.bmp")}, "bad.bmp: not a bitmap"},
        {{"pack", out, "--strings", dir.File("dup.txt")}, "dup.txt: line 2: string 1 given twice"},
        {{"pack", out, "A-B=" + ok}, "picture name 'A-B'"},
        {{"pack", out, "=" + ok}, "picture name ''"},
        {{"pack", out, ok}, "expected NAME=PICTURE"},
        {{"pack", out, "a=" + ok, "A=" + ok}, "given twice"},
        {{"pack", dir.File("no/such/folder.res")}, "cannot write"},
        {{"embed", dir.File("junk.res"), dir.File("out.c")}, "not a well-formed resource image"},
        {{"embed", dir.File("missing.res"), dir.File("out.c")}, "cannot read"},
        {{"embed", dir.File("junk.res")}, "usage"},
    };
    for (const Case &c : cases) {
        std::string err;
        std::string joined;
        for (const std::string &a : c.args) joined += a + " ";
        EXPECT_NE(RunTool(dir, c.args, err), 0) << joined;
        EXPECT_NE(err.find(c.message), std::string::npos) << joined << "\n" << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << joined;
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.c"))) << joined;
    }
}

} // namespace
