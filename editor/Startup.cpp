#include "Startup.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "Cp1251.h"

namespace kmr {

namespace {

bool EndsWithKmd(const std::string &name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return tail == ".kmd";
}

// The start-up log: each line ends with a line feed and goes to the disk at
// once. Without a file nothing is written.
class StartupLog {
public:
    explicit StartupLog(const std::string &path) : file_(std::fopen(path.c_str(), "wb")) {}
    ~StartupLog() {
        if (file_) std::fclose(file_);
    }
    void Line(const std::string &text) {
        if (!file_) return;
        std::fputs(text.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    std::FILE *file_;
};

const std::string kRule(44, '-');

} // namespace

std::vector<std::string> ListPluginFiles(const std::string &folder) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (EndsWithKmd(name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

int ScanModules(AVMODULES &types, const std::string &logPath, const AddButtonPicture &addPicture) {
    StartupLog log(logPath);
    log.Line(kRule);
    int n = 0;
    for (const std::string &name : ListPluginFiles(types.Folder())) {
        log.Line("Загрузка модуля:" + name);
        if (!types.LoadType(name)) {
            log.Line("        Не удалось добавить...");
            log.Line(kRule);
            continue;
        }
        // The type just accepted took the first free entry: the last one.
        const int t = types.CountTypes() - 1;
        MODULE_TYPE &type = types.GetType(t);
        const char *tip = kmd::ToolTip(type);
        log.Line("        Добавлен номер " + std::to_string(n));
        log.Line("        Назначение: " + Cp1251ToUtf8(tip ? tip : ""));
        const int picture = type.Tool && addPicture ? addPicture(*type.Tool) : -1;
        if (picture < 0) {
            log.Line("        Проблема с кнопкой в ToolBar");
            ++n;
            continue;
        }
        type.ToolImage = picture;
        type.PanelPos = n;
        ++n;
        log.Line(kRule);
    }
    return n;
}

std::string FreeProjectName() {
    std::error_code ec;
    if (!std::filesystem::exists("default.kpj", ec)) return "default.kpj";
    for (int i = 0; i <= 255; ++i) {
        std::string name = "default" + std::to_string(i) + ".kpj";
        if (!std::filesystem::exists(name, ec)) return name;
    }
    return std::string();
}

} // namespace kmr
