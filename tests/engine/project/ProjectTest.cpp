#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Cp1251.h"
#include "MemorySurface.h"
#include "Project.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> readFile(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path &p, const std::vector<unsigned char> &b) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char *>(b.data()), (std::streamsize)b.size());
}

class ProjectFile : public ::testing::Test {
protected:
    double val[kNetCount] = {};
    DESCRIPTOR descr[kDescriptorCount] = {};
    PARAMS params{};
    AVMODULES types{&params};
    MODULES scheme{types};
    WIRES wires;
    kmr::LabelHost host;
    kmr::LABCLASS labels;
    bool readOnly = false;
    kmr::Project project{scheme, wires, labels, params, readOnly};
    fs::path dir;

    void SetUp() override {
        params.Freq = 44100;
        params.FullTime = 5.0;
        params.Limitation = true;
        params.Val = val;
        params.Descr = descr;
        types.SetFolder(KMR_PROJECT_PLUGINS);
        for (const char *name : {"Plusbox.kmd", "Datamod.kmd", "Handlemod.kmd"}) ASSERT_TRUE(types.LoadType(name)) << name;
        labels.SetOwner(&host);
        dir = fs::temp_directory_path() / ("kmr-project-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    MODULE *add(const char *type, int x, int y) {
        int slot = scheme.AddInstance(types.GetType(types.FindByFileName(type)), types.FindByFileName(type));
        EXPECT_NE(slot, 0);
        MODULE *m = scheme.Get(slot);
        m->loc.Set(x, y);
        return m;
    }

    // A schematic with every kind of content.
    void build() {
        params.Freq = 22050;
        params.FullTime = 2.5;
        MODULE *a = add("Plusbox.kmd", 16, 48);
        std::strcpy(a->UserName, kmr::Utf8ToCp1251("Сумма").c_str());
        a->amp = 50;
        MODULE *b = add("Handlemod.kmd", 96, 48);
        b->wirein[0] = 1;
        MODULE *c = add("Datamod.kmd", 160, 112);
        c->wireout = 2;
        a->wireout = 1;
        wires.AddSegment({{48, 64}, {96, 56}, 1});
        wires.AddSegment({{192, 128}, {240, 128}, 2});
        labels.CreateLabel(10, 50, kmr::Utf8ToCp1251("Схема с задержкой\r\nвторая строка"));
        labels.CreateLabel(300, 20, "Gain");
    }

    bool save(const fs::path &p) {
        bool ok = kmr::SaveProject(project, p.string());
        // The fuzzer starts from the valid files these tests write.
        if (ok && std::getenv("KMR_SEED_DIR"))
            fs::copy_file(p, fs::path(std::getenv("KMR_SEED_DIR")) / p.filename(),
                          fs::copy_options::overwrite_existing);
        return ok;
    }
    bool load(const fs::path &p, std::string *unknown = nullptr) {
        int mx, my;
        return kmr::LoadProject(project, p.string(), mx, my, [&](const char *n) {
            if (unknown) *unknown = n;
        });
    }
};

TEST_F(ProjectFile, EmptySchematicIs82Bytes) {
    ASSERT_TRUE(save(dir / "empty.kpj"));
    auto b = readFile(dir / "empty.kpj");
    ASSERT_EQ(b.size(), 82u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 26), std::string("KELMORAQUANTIBEX FILE 4.0", 26));
    EXPECT_EQ(std::string(b.begin() + 45, b.begin() + 60), std::string("SCHEMATIC PART", 15));
    EXPECT_EQ(std::string(b.begin() + 64, b.begin() + 78), "LABELS_SECTION");
    EXPECT_FALSE(fs::exists(dir / "empty.kpj.saving"));
}

TEST_F(ProjectFile, ModuleRecordLayout) {
    MODULE *m = add("Plusbox.kmd", 32, 64);
    m->wirein[1] = 9;
    ASSERT_TRUE(save(dir / "one.kpj"));
    auto b = readFile(dir / "one.kpj");
    ASSERT_EQ(b.size(), 82u + 188u) << "a type without own data takes 188 bytes";
    const size_t r = 45; // the first record
    EXPECT_EQ(std::string((const char *)&b[r]), "Plusbox.kmd");
    EXPECT_EQ(b[r + 63], 0);
    EXPECT_EQ(0, std::memcmp(&b[r + 64], reinterpret_cast<const char *>(m) + 4, 124));
    int32_t x;
    std::memcpy(&x, &b[r + 64 + 32], 4);
    EXPECT_EQ(x, 32) << "loc.x";
    std::memcpy(&x, &b[r + 64 + 80 + 4], 4);
    EXPECT_EQ(x, 9) << "wirein[1]";
}

TEST_F(ProjectFile, SaveLoadSaveGivesTheSameBytes) {
    build();
    ASSERT_TRUE(save(dir / "a.kpj"));
    params.Freq = 44100;
    params.FullTime = 9;
    ASSERT_TRUE(load(dir / "a.kpj"));
    EXPECT_EQ(params.Freq, 22050);
    EXPECT_EQ(params.FullTime, 2.5);
    EXPECT_EQ(scheme.CountInstances(), 3);
    EXPECT_EQ(wires.CountSegments(), 2);
    EXPECT_EQ(labels.CountLabels(), 2);
    EXPECT_EQ(kmr::Cp1251ToUtf8(scheme.Get(1)->UserName), "Сумма");
    EXPECT_EQ(scheme.Get(1)->amp, 50.0);
    EXPECT_EQ(scheme.Get(1)->Bitmap, types.GetType(types.FindByFileName("Plusbox.kmd")).Bitmap.get());
    ASSERT_TRUE(save(dir / "b.kpj"));
    EXPECT_EQ(readFile(dir / "a.kpj"), readFile(dir / "b.kpj"));
}

TEST_F(ProjectFile, OwnBytesThroughStreamAndDescriptor) {
    MODULE *h = add("Handlemod.kmd", 0, 48);
    MODULE *d = add("Datamod.kmd", 48, 48);
    reinterpret_cast<int32_t *>(reinterpret_cast<char *>(h) + sizeof(MODULE))[0] = 1234;
    reinterpret_cast<int32_t *>(reinterpret_cast<char *>(d) + sizeof(MODULE))[0] = 5678;
    ASSERT_TRUE(save(dir / "own.kpj"));
    auto b = readFile(dir / "own.kpj");
    ASSERT_EQ(b.size(), 82u + 2 * (188u + 12u));
    int32_t v;
    std::memcpy(&v, &b[45 + 188], 4);
    EXPECT_EQ(v, 1234) << "written through the descriptor, in place";
    std::memcpy(&v, &b[45 + 200 + 188], 4);
    EXPECT_EQ(v, 5678);
    ASSERT_TRUE(load(dir / "own.kpj"));
    EXPECT_EQ(reinterpret_cast<int32_t *>(reinterpret_cast<char *>(scheme.Get(1)) + sizeof(MODULE))[0], 1234);
    EXPECT_EQ(reinterpret_cast<int32_t *>(reinterpret_cast<char *>(scheme.Get(2)) + sizeof(MODULE))[0], 5678);
}

TEST_F(ProjectFile, AFileCannotSwitchHowATypeLoadsItsBytes) {
    add("Datamod.kmd", 0, 48);
    add("Handlemod.kmd", 48, 48);
    ASSERT_TRUE(save(dir / "attr.kpj"));
    auto b = readFile(dir / "attr.kpj");
    // Flip the descriptor bit of both records' attr (offset 112 of the 124 bytes).
    b[45 + 64 + 112] ^= matNEEDHANDLE;
    b[45 + 200 + 64 + 112] ^= matNEEDHANDLE;
    writeFile(dir / "flipped.kpj", b);
    ASSERT_TRUE(load(dir / "flipped.kpj"));
    EXPECT_EQ(scheme.Get(1)->attr & matNEEDHANDLE, 0);
    EXPECT_EQ(scheme.Get(2)->attr & matNEEDHANDLE, matNEEDHANDLE);
    ASSERT_TRUE(save(dir / "again.kpj"));
    EXPECT_EQ(readFile(dir / "again.kpj"), readFile(dir / "attr.kpj"));
}

TEST_F(ProjectFile, TypeNamesMatchWithoutCaseAndUnknownTypesFail) {
    add("Plusbox.kmd", 0, 48);
    ASSERT_TRUE(save(dir / "case.kpj"));
    auto b = readFile(dir / "case.kpj");
    std::memcpy(&b[45], "PLUSBOX.KMD", 11);
    writeFile(dir / "upper.kpj", b);
    ASSERT_TRUE(load(dir / "upper.kpj"));
    EXPECT_STREQ(types.TypeName(scheme.Get(1)->Index), "Plusbox.kmd");

    std::memcpy(&b[45], "Missing.kmd", 11);
    writeFile(dir / "missing.kpj", b);
    std::string reported;
    EXPECT_FALSE(load(dir / "missing.kpj", &reported));
    EXPECT_EQ(reported, "Missing.kmd");
    EXPECT_EQ(scheme.CountInstances(), 0) << "a failed load leaves an empty schematic";
}

TEST_F(ProjectFile, DamagedFilesAreRefusedAtEveryCut) {
    build();
    ASSERT_TRUE(save(dir / "full.kpj"));
    auto good = readFile(dir / "full.kpj");
    for (size_t n = 0; n < good.size(); ++n) {
        writeFile(dir / "cut.kpj", std::vector<unsigned char>(good.begin(), good.begin() + n));
        EXPECT_FALSE(load(dir / "cut.kpj")) << n;
        EXPECT_EQ(scheme.CountInstances() + wires.CountSegments() + labels.CountLabels(), 0) << n;
    }
    struct Case {
        const char *what;
        size_t offset;
        int32_t value;
    } cases[] = {
        {"module count 64", 41, 64},
        {"negative module count", 41, -1},
        {"segment net out of range", 0, 5000},
        {"segment count 1024", 1, 1024},
    };
    for (auto &c : cases) {
        auto b = good;
        size_t at = c.offset;
        if (std::string(c.what).rfind("segment", 0) == 0) {
            // Within the wires section: its count, or the first segment's net.
            const char *h = "SCHEMATIC PART";
            auto pos = std::search(b.begin(), b.end(), h, h + 15);
            at = (size_t)(pos - b.begin()) + 15 + (c.offset == 0 ? 4 + 16 : 0);
        }
        std::memcpy(&b[at], &c.value, 4);
        writeFile(dir / "bad.kpj", b);
        EXPECT_FALSE(load(dir / "bad.kpj")) << c.what;
    }
}

TEST_F(ProjectFile, FailedSavesLeaveThePreviousFile) {
    build();
    const fs::path file = dir / "keep.kpj";
    ASSERT_TRUE(save(file));
    auto before = readFile(file);

    // A type refusing to save.
    scheme.Get(2)->amp = 13;
    setenv("KMR_REFUSE_SAVE", "1", 1);
    EXPECT_FALSE(save(file));
    unsetenv("KMR_REFUSE_SAVE");
    EXPECT_EQ(readFile(file), before);
    scheme.Get(2)->amp = 100;

    // A disk that fills up: a file-size limit in a child process.
    MODULE *c = scheme.Get(3);
    c->loc.Set(400, 400); // the new content differs from the old
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(save(file) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the save reports the failure";
    EXPECT_EQ(readFile(file), before);
    EXPECT_FALSE(fs::exists(dir / "keep.kpj.saving"));
}

} // namespace
