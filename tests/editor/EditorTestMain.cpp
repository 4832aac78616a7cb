#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "EditorTest.h"
#include "Library.h"
#include "Module.h"
#include "Project.h"
#include "Seam.h"
#include "Settings.h"
#include "Strings.h"

namespace edtest {

TempFolder::TempFolder() {
    previous_ = std::filesystem::current_path().string();
    std::string pattern = (std::filesystem::temp_directory_path() / "kmr-editor-XXXXXX").string();
    const char *made = mkdtemp(pattern.data());
    if (!made) std::abort();
    path_ = made;
    std::filesystem::current_path(path_);
}

TempFolder::~TempFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string &path, const std::string &text) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string ReadFile(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return std::string();
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

std::vector<std::string> ReadLines(const std::string &path) {
    std::vector<std::string> lines;
    std::string text = ReadFile(path), line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void AddPlugin(const std::string &name) {
    std::filesystem::create_directories("kmd");
    std::filesystem::create_symlink(std::string(KMR_PLUGIN_DIR) + "/" + name, "kmd/" + name);
}

void ClearSettings() {
    kmr::SettingsStore store;
    store.Clear();
}

ModalRecorder::ModalRecorder() {
    kmr::SetModalAnswerer([this](QDialog &dialog) {
        Shown s;
        s.type = QString::fromLatin1(dialog.metaObject()->className());
        s.title = dialog.windowTitle();
        if (auto *label = dialog.findChild<QLabel *>(QStringLiteral("Label1"))) s.text = label->text();
        shown.push_back(s);
        return answer ? answer(dialog) : 1;
    });
}

ModalRecorder::~ModalRecorder() { kmr::SetModalAnswerer({}); }

int ModalRecorder::Count(const QString &type) const {
    int n = 0;
    for (const Shown &s : shown) n += s.type == type;
    return n;
}

void MakeProject(const std::string &path, const std::string &plugin, CPOINT at, int32_t freq, double fullTime) {
    double val[kNetCount] = {};
    PARAMS params{};
    params.Freq = freq;
    params.FullTime = fullTime;
    params.Val = val;
    AVMODULES types(&params);
    types.SetFolder(KMR_PLUGIN_DIR);
    ASSERT_TRUE(types.LoadType(plugin));
    MODULES scheme(types);
    WIRES wires;
    kmr::LABCLASS labels;
    const int slot = scheme.AddInstance(types.GetType(0), 0);
    ASSERT_GT(slot, 0);
    scheme.Get(slot)->loc = at;
    bool readOnly = false;
    ASSERT_TRUE(kmr::SaveProject(kmr::Project{scheme, wires, labels, params, readOnly}, path));
}

} // namespace edtest

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The tests write settings and desktop files: only into the folders the
    // test run names, or else into temporary ones, never the user's own.
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const std::string home = std::string(KMR_PROGRAM_DIR) + "/tests/editor-home";
    std::string ownHome;
    if (!::testing::GTEST_FLAG(list_tests) && (!config || std::strncmp(config, home.c_str(), home.size()) != 0)) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kmr-editor-home-XXXXXX").string();
        if (const char *made = mkdtemp(pattern.data())) {
            ownHome = made;
            setenv("XDG_CONFIG_HOME", (ownHome + "/config").c_str(), 1);
            setenv("XDG_DATA_HOME", (ownHome + "/data").c_str(), 1);
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Language.SetFolder(KMR_PROGRAM_DIR);
    const int result = RUN_ALL_TESTS();
    if (!ownHome.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(ownHome, ec);
    }
    return result;
}
