// kmr-render as a user runs it: the real program, in a temporary folder,
// with its wave files read back by sox.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Label.h"
#include "Project.h"

extern char **environ;

namespace fs = std::filesystem;

namespace {

const fs::path kProgramDir = KMR_PROGRAM_DIR;
const fs::path kRender = KMR_RENDER;

std::string readText(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

struct Outcome {
    int code = -1; // exit status, or 128 + signal
    std::string out, err;
};

// Starts `argv` with stdout and stderr going to files in `dir`.
pid_t spawn(const std::vector<std::string> &argv, const fs::path &dir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

Outcome finish(pid_t pid, const fs::path &dir) {
    Outcome o;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
        o.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = readText(dir / "stdout");
    o.err = readText(dir / "stderr");
    return o;
}

// soxi's answer for one of its options (-s samples, -c channels, -r rate).
long soxi(const char *option, const fs::path &file, const fs::path &dir) {
    fs::path work = dir / "soxi";
    fs::create_directories(work);
    Outcome o = finish(spawn({"soxi", option, file.string()}, work), work);
    if (o.code != 0) return -1;
    return std::stol(o.out);
}

bool pluginsInstalled(const std::vector<const char *> &names, std::string &missing) {
    for (const char *n : names)
        if (!fs::exists(kProgramDir / "kmd" / n)) missing += std::string(" ") + n;
    return missing.empty();
}

class Render : public ::testing::Test {
protected:
    fs::path dir, out;

    void SetUp() override {
        char name[] = "/tmp/kmr-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        out = dir / "out";
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome render(std::vector<std::string> args) {
        args.insert(args.begin(), kRender.string());
        return finish(spawn(args, dir), dir);
    }
};

// ---------------------------------------------------------------------------
// Projects made for the tests, from the installed plug-ins.

class Maker {
public:
    Maker() {
        params.Freq = 44100;
        params.FullTime = 0.1;
        params.Limitation = true;
        params.Val = values;
        params.Descr = descriptors;
        params.Lang = 1;
        types.SetFolder((kProgramDir / "kmd").string());
        labels.SetOwner(&host);
    }
    // A module of `type` reading net `in` at input 0 (0: none) and driving
    // net `out` (0: none); every net gets a segment.
    int add(const char *type, int in, int out) {
        int n = types.FindByFileName(type);
        if (n < 0 && types.LoadType(type)) n = types.FindByFileName(type);
        if (n < 0) return 0;
        int slot = scheme.AddInstance(types.GetType(n), n);
        MODULE *m = scheme.Get(slot);
        m->loc.Set(64 * slot, 64);
        m->wirein[0] = in;
        m->wireout = out;
        for (int net : {in, out})
            if (net > 0 && !hasNet(net)) wires.AddSegment(SEGMENT{{16, 8 * net}, {48, 8 * net}, net});
        return slot;
    }
    void set(int slot, const char *row, const char *text) {
        MODULE *m = scheme.Get(slot);
        kmd::Describe(types.GetType(m->Index), m);
        for (auto &d : descriptors)
            if (std::strcmp(d.Name, row) == 0) SetText(&d, text);
    }
    bool save(const fs::path &p) {
        bool readOnly = false;
        return kmr::SaveProject(kmr::Project{scheme, wires, labels, params, readOnly}, p.string());
    }

    double values[kNetCount] = {};
    DESCRIPTOR descriptors[kDescriptorCount] = {};
    PARAMS params{};
    AVMODULES types{&params};
    MODULES scheme{types};
    WIRES wires;
    kmr::LabelHost host;
    kmr::LABCLASS labels;

private:
    bool hasNet(int net) const {
        for (int s = 1; s < WIRES::kSlots; ++s)
            if (wires.Slot(s)->net == net) return true;
        return false;
    }
};

// ---------------------------------------------------------------------------
// The examples

struct Example {
    const char *file;
    std::vector<const char *> plugins;
    const char *wave;
    long samples, channels, rate;
};

class RenderExample : public Render, public ::testing::WithParamInterface<Example> {};

TEST_P(RenderExample, WritesTheListedWaveFilesWithTheProjectsLength) {
    const Example &x = GetParam();
    std::string missing;
    if (!pluginsInstalled(x.plugins, missing)) GTEST_SKIP() << "plug-ins not built yet:" << missing;
    const fs::path project = kProgramDir / "examples" / x.file;
    ASSERT_TRUE(fs::exists(project)) << project;

    Outcome o = render({"--out", out.string(), project.string()});
    ASSERT_EQ(o.code, 0) << o.err;
    auto l = lines(o.out);
    ASSERT_EQ(l.size(), 2u) << o.out;
    EXPECT_EQ(fs::path(l[0]), out / x.wave);
    EXPECT_EQ(l[1].rfind(std::to_string(x.samples) + " samples, ", 0), 0u) << l[1];
    EXPECT_NE(l[1].find("module-samples/s"), std::string::npos) << l[1];
    EXPECT_EQ(soxi("-s", l[0], dir), x.samples);
    EXPECT_EQ(soxi("-c", l[0], dir), x.channels);
    EXPECT_EQ(soxi("-r", l[0], dir), x.rate);
    EXPECT_EQ(o.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RenderExample,
    ::testing::Values(
        Example{"tone-filter.kpj", {"Tonegen.kmd", "Filter.kmd", "Taperec.kmd"}, "Taperec00.wav", 88200, 1, 44100},
        Example{"echo-stereo.kpj",
                {"Tonegen.kmd", "Ramper.kmd", "Timesbox.kmd", "Plusbox.kmd", "Delay.kmd", "Back.kmd", "Stereorec.kmd"},
                "Cd00.wav", 132300, 2, 44100},
        Example{"sweep-shaper.kpj", {"Ramper.kmd", "Sweeper.kmd", "Shaper.kmd", "Timesbox.kmd", "Taperec.kmd"},
                "Taperec00.wav", 66150, 1, 22050},
        Example{"wave-source.kpj", {"Wavsource.kmd", "Lowcut.kmd", "Filter.kmd", "Stereorec.kmd"}, "Cd00.wav", 88200, 2,
                44100}),
    [](const auto &info) {
        std::string n = info.param.file;
        n = n.substr(0, n.find('.'));
        std::erase(n, '-');
        return n;
    });

TEST_F(Render, RateAndTimeOverrideTheProjectAndARenderAgainIsListedAgain) {
    std::string missing;
    if (!pluginsInstalled({"Tonegen.kmd", "Filter.kmd", "Taperec.kmd"}, missing))
        GTEST_SKIP() << "plug-ins not built yet:" << missing;
    const fs::path project = kProgramDir / "examples" / "tone-filter.kpj";
    for (int round = 0; round < 2; ++round) {
        Outcome o = render({"--quiet", "--rate=22050", "--time", "0.25", "--out", out.string(), project.string()});
        ASSERT_EQ(o.code, 0) << o.err;
        auto l = lines(o.out);
        ASSERT_EQ(l.size(), 2u) << "round " << round << ": " << o.out;
        EXPECT_EQ(fs::path(l[0]), out / "Taperec00.wav");
        EXPECT_EQ(soxi("-s", l[0], dir), 5512);
        EXPECT_EQ(soxi("-r", l[0], dir), 22050);
    }
}

// ---------------------------------------------------------------------------
// Arguments

TEST_F(Render, BadArgumentsExit64WithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--rate", "48000", "x.kpj"},
        {"--rate", "44100.5", "x.kpj"},
        {"--time", "0", "x.kpj"},
        {"--time", "-1", "x.kpj"},
        {"--time", "nan", "x.kpj"},
        {"--time", "inf", "x.kpj"},
        {"--time", "2s", "x.kpj"},
        {"x.kpj", "--time"},
        {"--out=", "x.kpj"},
        {"--loud", "x.kpj"},
        {"a.kpj", "b.kpj"},
    };
    for (const auto &args : cases) {
        Outcome o = render(args);
        std::string shown;
        for (const auto &a : args) shown += " " + a;
        EXPECT_EQ(o.code, 64) << shown;
        EXPECT_NE(o.err.find("usage: kmr-render"), std::string::npos) << shown << "\n" << o.err;
        EXPECT_EQ(o.out, "") << shown;
    }
}

TEST_F(Render, HelpDocumentsOptionsAndExitCodes) {
    Outcome o = render({"--help"});
    EXPECT_EQ(o.code, 0);
    for (const char *word : {"--out DIR", "--rate HZ", "--time SECONDS", "--quiet", "SIGINT", "  0 ", "  2 ", "  3 ",
                             "  4 ", "  5 ", "  64 ", "  130 "})
        EXPECT_NE(o.out.find(word), std::string::npos) << word;
}

// ---------------------------------------------------------------------------
// Refusals and failures

TEST_F(Render, ProjectsThatCannotBeLoadedExit2WithTheReason) {
    Maker m;
    ASSERT_NE(m.add("Plusbox.kmd", 0, 1), 0);
    ASSERT_TRUE(m.save(dir / "plus.kpj"));
    std::string bytes = readText(dir / "plus.kpj");
    size_t at = bytes.find("Plusbox.kmd");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 11, "Plusbix.kmd");
    std::ofstream(dir / "unknown.kpj", std::ios::binary) << bytes;
    std::ofstream(dir / "garbage.kpj", std::ios::binary) << "not a project";

    const struct {
        const char *file, *reason;
    } cases[] = {
        {"missing.kpj", "no such file"},
        {"garbage.kpj", "not a readable project file"},
        {"unknown.kpj", "the module type Plusbix.kmd is not installed"},
    };
    for (const auto &c : cases) {
        Outcome o = render({"--out", out.string(), (dir / c.file).string()});
        EXPECT_EQ(o.code, 2) << c.file;
        EXPECT_NE(o.err.find(c.reason), std::string::npos) << c.file << ": " << o.err;
    }
}

TEST_F(Render, RefusedCheckExits3WithTheMessage) {
    const struct {
        const char *name;
        std::function<void(Maker &)> build;
        const char *message;
    } cases[] = {
        {"no wires",
         [](Maker &m) {
             m.add("Plusbox.kmd", 0, 0);
         },
         "The schematic has no wires."},
        {"loop of three",
         [](Maker &m) {
             m.add("Tonegen.kmd", 0, 4);
             m.add("Delay.kmd", 1, 2);
             m.add("Delay.kmd", 2, 3);
             m.add("Delay.kmd", 3, 1);
         },
         "3 modules cannot be put in the order of calculation"},
        {"zero duration",
         [](Maker &m) {
             m.params.FullTime = 0.0;
             m.add("Tonegen.kmd", 0, 1);
             m.add("Delay.kmd", 1, 0);
         },
         "The sound duration is zero."},
    };
    for (const auto &c : cases) {
        Maker m;
        c.build(m);
        ASSERT_TRUE(m.save(dir / "check.kpj")) << c.name;
        Outcome o = render({"--out", out.string(), (dir / "check.kpj").string()});
        EXPECT_EQ(o.code, 3) << c.name;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.name << ": " << o.err;
        EXPECT_EQ(o.out, "") << c.name;
    }
}

TEST_F(Render, RefusedStartExits4NamingTheModule) {
    Maker m;
    m.add("Tonegen.kmd", 0, 1);
    int delay = m.add("Delay.kmd", 1, 0);
    ASSERT_NE(delay, 0);
    m.set(delay, "Delay (sec)", "0"); // a ring of no sample: Start refuses
    ASSERT_TRUE(m.save(dir / "start.kpj"));
    Outcome o = render({"--out", out.string(), (dir / "start.kpj").string()});
    EXPECT_EQ(o.code, 4);
    EXPECT_NE(o.err.find("A module could not start the calculation"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("slot 2 (Delay.kmd)"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
}

TEST_F(Render, FailedStopExits5NamingTheModule) {
    std::string missing;
    if (!pluginsInstalled({"Tonegen.kmd", "Taperec.kmd"}, missing)) GTEST_SKIP() << "plug-ins not built yet:" << missing;
    Maker m;
    m.add("Tonegen.kmd", 0, 1);
    m.add("Taperec.kmd", 1, 0);
    ASSERT_TRUE(m.save(dir / "stop.kpj"));
    // The recorder's wave file cannot take the place of a folder that holds
    // something.
    fs::create_directories(out / "Taperec00.wav");
    std::ofstream(out / "Taperec00.wav" / "keep") << "x";
    Outcome o = render({"--out", out.string(), (dir / "stop.kpj").string()});
    EXPECT_EQ(o.code, 5) << o.err;
    EXPECT_NE(o.err.find("slot 2 (Taperec.kmd)"), std::string::npos) << o.err;
    auto l = lines(o.out);
    ASSERT_EQ(l.size(), 1u) << "only the summary: " << o.out;
    EXPECT_EQ(l[0].rfind("4410 samples, 2 instances", 0), 0u) << l[0];
}

TEST_F(Render, InterruptStopsTheRunAndKeepsWhatWasRecorded) {
    std::string missing;
    if (!pluginsInstalled({"Tonegen.kmd", "Taperec.kmd"}, missing)) GTEST_SKIP() << "plug-ins not built yet:" << missing;
    Maker m;
    m.params.FullTime = 3600.0;
    m.add("Tonegen.kmd", 0, 1);
    m.add("Taperec.kmd", 1, 0);
    ASSERT_TRUE(m.save(dir / "long.kpj"));
    fs::create_directories(out);

    pid_t pid = spawn({kRender.string(), "--out", out.string(), (dir / "long.kpj").string()}, dir);
    ASSERT_GT(pid, 0);
    // The recorder's temporary file shows that the run has started.
    auto started = [this] {
        for (const auto &e : fs::directory_iterator(out))
            if (e.path().extension() == ".dat") return true;
        return false;
    };
    int status = 0;
    while (!started() && waitpid(pid, &status, WNOHANG) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(kill(pid, SIGINT), 0);
    Outcome o = finish(pid, dir);
    EXPECT_EQ(o.code, 130) << o.err;
    auto l = lines(o.out);
    ASSERT_EQ(l.size(), 2u) << o.out;
    EXPECT_EQ(fs::path(l[0]), out / "Taperec00.wav");
    long samples = soxi("-s", l[0], dir);
    EXPECT_LT(samples, 3600L * 44100);
    EXPECT_EQ(l[1].rfind(std::to_string(samples) + " samples, ", 0), 0u) << "every computed sample was recorded: " << l[1];
    EXPECT_FALSE(started()) << "the recorder was stopped and removed its temporary file";
}

} // namespace
