// The shortcuts of the calculation run must answer exactly what the plain
// computation answers: the percentage after every sample, the buffer of the
// instance asked for, the integer of every double. And the floor programs
// the run is measured against must compute the same sound.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "Run.h"
#include "Skeleton.h"
#include "WaveBuffer.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

TEST(ProgressCounter, FollowsThePercentageOfEverySample) {
    for (int32_t samples : {1, 2, 3, 7, 99, 100, 101, 199, 441, 44100, 1000003}) {
        SCOPED_TRACE(samples);
        kmr::ProgressCounter counter(samples);
        int32_t shown = 0;
        for (int32_t s = 0; s < samples; ++s) {
            const int32_t want = (int32_t)((int64_t)s * 100 / samples);
            ASSERT_EQ(counter.Step(s), want != shown) << "sample " << s;
            ASSERT_EQ(counter.Percent(), want) << "sample " << s;
            shown = want;
        }
    }
}

TEST(ProgressCounter, LongestRunChangesAtEachMultiple) {
    // Around every change of the percentage of a run of 2^31 - 1 samples:
    // the products pass the 32-bit range.
    const int32_t samples = INT32_MAX;
    kmr::ProgressCounter counter(samples);
    for (int64_t p = 1; p < 100; ++p) {
        const int64_t first = (p * samples + 99) / 100; // first sample with percentage p
        EXPECT_FALSE(counter.Step((int32_t)(first - 1))) << p;
        EXPECT_EQ(counter.Percent(), p - 1);
        EXPECT_TRUE(counter.Step((int32_t)first)) << p;
        EXPECT_EQ(counter.Percent(), p);
    }
    kmr::ProgressCounter empty(0);
    EXPECT_FALSE(empty.Step(0));
    EXPECT_EQ(empty.Percent(), 0);
}

TEST(RunTable, RemembersOnlyObjectsStillInTheTable) {
    kmd::RunTable<int, 4> table;
    int a = 0, b = 0; // only their addresses matter
    ASSERT_NE(table.Add(&a, 1), nullptr);
    ASSERT_NE(table.Add(&b, 2), nullptr);
    EXPECT_EQ(*table.Find(&a), 1);
    EXPECT_EQ(*table.Find(&a), 1) << "asked twice";
    EXPECT_EQ(*table.Find(&b), 2) << "another instance after it";
    EXPECT_EQ(*table.Find(&a), 1);

    EXPECT_EQ(*table.Take(&a), 1);
    EXPECT_EQ(table.Find(&a), nullptr) << "the last answer is gone with its object";
    EXPECT_EQ(*table.Find(&b), 2);

    EXPECT_EQ(*table.Add(&b, 3), 3);
    EXPECT_EQ(*table.Find(&b), 3) << "a second start gives the new object";
    table.Remove(&b);
    EXPECT_EQ(table.Find(&b), nullptr);
    EXPECT_EQ(table.Find(nullptr), nullptr);
}

TEST(ToInt, TruncatesInsideTheRangeAndClampsOutside) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double v;
        int32_t want;
    } cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {1.9, 1},
        {-1.9, -1},
        {2147483646.9, 2147483646},
        {2147483647.0, INT32_MAX},
        {2147483647.5, INT32_MAX},
        {1e300, INT32_MAX},
        {inf, INT32_MAX},
        {-2147483647.9, -2147483647},
        {-2147483648.0, INT32_MIN},
        {-2147483648.5, INT32_MIN},
        {-inf, INT32_MIN},
        {std::nan(""), 0},
    };
    for (const Case &c : cases) EXPECT_EQ(kmd::ToInt(c.v), c.want) << c.v;
}

#ifdef KMR_FLOOR_R1

// Runs `argv` with its output thrown away; its exit status, or -1.
int run(const std::vector<std::string> &argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int status = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string bytes(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class RenderFloor : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kmr-perf-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "render");
        fs::create_directories(dir_ / "floor");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Renders the example `project` and runs `floor` for `seconds`; both
    // must write each of `files`, with the same bytes.
    void Compare(const char *project, const char *floor, const char *seconds, std::vector<std::string> files) {
        ASSERT_EQ(run({KMR_RENDER, "--quiet", "--out", (dir_ / "render").string(), "--time", seconds,
                       (fs::path(KMR_EXAMPLES_DIR) / project).string()}),
                  0);
        ASSERT_EQ(run({floor, "--time", seconds, "--out", (dir_ / "floor").string()}), 0);
        for (const std::string &f : files) {
            SCOPED_TRACE(f);
            const std::string r = bytes(dir_ / "render" / f), h = bytes(dir_ / "floor" / f);
            ASSERT_GT(r.size(), 44u);
            EXPECT_TRUE(r == h) << "the floor computes another sound";
        }
    }

    fs::path dir_;
};

// Long enough for the echo to come back many times; the envelopes of R63
// follow the run's length.
TEST_F(RenderFloor, R1WritesTheSameTape) { Compare("r1-echo.kpj", KMR_FLOOR_R1, "3.3", {"Taperec00.wav"}); }

TEST_F(RenderFloor, R63WritesTheSameDiscAndTape) {
    Compare("r63-chains.kpj", KMR_FLOOR_R63, "2.7", {"Cd00.wav", "Taperec01.wav"});
}

#endif

} // namespace
