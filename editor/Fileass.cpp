#include "Fileass.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "Cp1251.h"
#include "Resource.h"

namespace kmr {

namespace {

// An XDG base folder: the variable when it holds an absolute path,
// otherwise `fallback` below the home folder.
std::string BaseFolder(const char *variable, const char *fallback) {
    const char *value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    const char *home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/" + fallback;
}

bool ReadText(const std::string &path, std::string &text) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, size_t(16) << 20)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

// Writes `bytes` to `path` unless the file already holds exactly them.
// `changed` tells whether it was written.
bool WriteIfChanged(const std::string &path, const std::string &bytes, bool &changed) {
    changed = false;
    std::string old;
    if (ReadText(path, old) && old == bytes) return true;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (!WriteFileAtomically(path, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size())) return false;
    changed = true;
    return true;
}

std::string Trim(const std::string &s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool IsGroupHeader(const std::string &line) {
    const std::string t = Trim(line);
    return !t.empty() && t.front() == '[';
}

} // namespace

AssociationPaths FileAssociationPaths() {
    const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
    const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    AssociationPaths p;
    p.mimeFolder = data + "/mime";
    p.mimePackage = p.mimeFolder + "/packages/kelmora-project.xml";
    p.desktopEntry = data + "/applications/" + kDesktopEntryName;
    p.icon = data + "/icons/hicolor/32x32/apps/" + std::string(kIconName) + ".png";
    p.mimeApps = config + "/mimeapps.list";
    return p;
}

bool DesktopExec(const std::string &program, std::string &exec) {
    if (program.empty() || !IsValidUtf8(program)) return false;
    // Inside double quotes ", `, $ and \ take a backslash; % is doubled as
    // every field code escape; then the value's own escaping doubles every
    // backslash.
    std::string quoted = "\"";
    for (char c : program) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    exec.clear();
    for (char c : quoted) {
        if (c == '\\') exec += '\\';
        exec += c;
    }
    exec += " %f";
    return true;
}

std::string SetDefaultApplication(const std::string &mimeApps, const std::string &mimeType,
                                  const std::string &desktop) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < mimeApps.size()) {
        size_t end = mimeApps.find('\n', start);
        if (end == std::string::npos) end = mimeApps.size();
        lines.push_back(mimeApps.substr(start, end - start));
        start = end + 1;
    }
    const std::string entry = mimeType + "=" + desktop + ";";
    auto keyOf = [](const std::string &line) {
        const size_t eq = line.find('=');
        return eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
    };

    size_t group = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
        if (Trim(lines[i]) == "[Default Applications]") {
            group = i;
            break;
        }
    if (group == lines.size()) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.emplace_back("[Default Applications]");
        lines.push_back(entry);
    } else {
        size_t end = group + 1;
        while (end < lines.size() && !IsGroupHeader(lines[end])) ++end;
        bool placed = false;
        for (size_t i = group + 1; i < end;) {
            if (keyOf(lines[i]) == mimeType) {
                if (!placed) {
                    lines[i] = entry;
                    placed = true;
                    ++i;
                } else { // a second line for the type would contradict the first
                    lines.erase(lines.begin() + long(i));
                    --end;
                }
            } else {
                ++i;
            }
        }
        if (!placed) {
            size_t at = end;
            while (at > group + 1 && Trim(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + long(at), entry);
        }
    }
    std::string text;
    for (const std::string &line : lines) text += line + "\n";
    return text;
}

bool RegisterFileAssociation(const std::string &program, const std::vector<uint8_t> &iconPng, bool *changedMime) {
    if (changedMime) *changedMime = false;
    std::string exec;
    if (!DesktopExec(program, exec)) return false;
    const AssociationPaths paths = FileAssociationPaths();
    bool ok = true, changed = false;

    const std::string package = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                            "  <mime-type type=\"") +
                                kProjectMimeType +
                                "\">\n"
                                "    <comment>Файл Kelmora</comment>\n"
                                "    <icon name=\"" +
                                kIconName +
                                "\"/>\n"
                                "    <glob pattern=\"*.kpj\"/>\n"
                                "  </mime-type>\n"
                                "</mime-info>\n";
    ok = WriteIfChanged(paths.mimePackage, package, changed) && ok;
    if (changedMime) *changedMime = changed;

    const std::string entry = std::string("[Desktop Entry]\n"
                                          "Type=Application\n"
                                          "Name=Kelmora\n"
                                          "Comment=Файл Kelmora\n"
                                          "Exec=") +
                              exec + "\nIcon=" + kIconName + "\nTerminal=false\nMimeType=" + kProjectMimeType +
                              ";\nCategories=AudioVideo;Audio;\n";
    ok = WriteIfChanged(paths.desktopEntry, entry, changed) && ok;

    if (!iconPng.empty())
        ok = WriteIfChanged(paths.icon, std::string(iconPng.begin(), iconPng.end()), changed) && ok;

    // The list holds the user's other choices: one that exists but cannot be
    // read is left alone rather than replaced by our line alone, and a list
    // kept elsewhere behind a symbolic link is written where it lives.
    std::string list = paths.mimeApps, apps;
    std::error_code ec;
    if (std::filesystem::is_symlink(list, ec)) {
        const std::filesystem::path target = std::filesystem::canonical(list, ec);
        if (ec) return false;
        list = target.string();
    }
    if (std::filesystem::exists(list, ec) && !ReadText(list, apps)) return false;
    ok = WriteIfChanged(list, SetDefaultApplication(apps, kProjectMimeType, kDesktopEntryName), changed) && ok;
    return ok;
}

} // namespace kmr
