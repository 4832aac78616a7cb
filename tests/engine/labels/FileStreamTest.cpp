#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "FileStream.h"

namespace {

std::string tempPath(const char *name) {
    return (std::filesystem::temp_directory_path() / (std::string("kmr-fs-") + std::to_string(getpid()) + name))
        .string();
}

TEST(FileStream, HandsTheDescriptorOverAtTheStreamPosition) {
    std::string path = tempPath("a");
    {
        kmr::FileStream f;
        ASSERT_TRUE(f.OpenWrite(path));
        ASSERT_TRUE(f.Write("head", 4));
        int fd = f.Handle(); // a type writing through its own descriptor
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "MID", 3), 3);
        ASSERT_TRUE(f.Resume());
        ASSERT_TRUE(f.Write("tail", 4));
        ASSERT_TRUE(f.Close());
    }
    kmr::FileStream f;
    ASSERT_TRUE(f.OpenRead(path));
    char buf[8] = {};
    ASSERT_TRUE(f.Read(buf, 4));
    EXPECT_EQ(std::string(buf, 4), "head");
    int fd = f.Handle(); // the read-ahead is given back
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::read(fd, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "MID");
    ASSERT_TRUE(f.Resume());
    ASSERT_TRUE(f.Read(buf, 4));
    EXPECT_EQ(std::string(buf, 4), "tail");
    EXPECT_FALSE(f.Read(buf, 1)) << "end of file fails the stream";
    EXPECT_FALSE(f.Good());
    std::filesystem::remove(path);
}

TEST(FileStream, LargeWritesAndReadsCrossTheBuffer) {
    std::string path = tempPath("b");
    std::string big(100000, 'x');
    for (size_t i = 0; i < big.size(); ++i) big[i] = (char)(i * 7);
    {
        kmr::FileStream f;
        ASSERT_TRUE(f.OpenWrite(path));
        ASSERT_TRUE(f.Write(big.data(), 3));
        ASSERT_TRUE(f.Write(big.data() + 3, big.size() - 3));
        ASSERT_TRUE(f.Close());
    }
    EXPECT_EQ(std::filesystem::file_size(path), big.size());
    kmr::FileStream f;
    ASSERT_TRUE(f.OpenRead(path));
    std::string back(big.size(), 0);
    ASSERT_TRUE(f.Read(back.data(), 5));
    ASSERT_TRUE(f.Read(back.data() + 5, back.size() - 5));
    EXPECT_EQ(back, big);
    std::filesystem::remove(path);
}

TEST(FileStream, WriteFailuresAreReported) {
    kmr::FileStream f;
    EXPECT_FALSE(f.OpenWrite("/nonexistent-folder/x.kpj"));
    EXPECT_FALSE(f.Write("x", 1));
    kmr::FileStream full;
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP();
    ASSERT_TRUE(full.OpenWrite("/dev/full"));
    full.Write("x", 1); // buffered
    EXPECT_FALSE(full.Close()) << "the failed flush is not lost";
}

} // namespace
