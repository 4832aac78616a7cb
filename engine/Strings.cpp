#include "Strings.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "Cp1251.h"
#include "Library.h"

namespace {

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string();
    return exe.parent_path().string();
}

bool ValidLanguage(int n) { return n >= 0 && n < kLanguageCount; }

// Loads `path` and reads its string table; false, with nothing left loaded,
// when either fails.
bool OpenTable(const std::string &path, void *&library, kmr::ResourceImage &table) {
    void *lib = kmr::LoadLibrary(path);
    if (!lib) return false;
    kmr::ResourceImage image;
    if (!image.FromLibrary(lib)) {
        kmr::UnloadLibrary(lib);
        return false;
    }
    library = lib;
    table = std::move(image);
    return true;
}

} // namespace

LANGUAGE Language;

LANGUAGE::LANGUAGE() : folder_(ProgramFolder()) {}

LANGUAGE::~LANGUAGE() { UnloadLanguage(); }

std::string LANGUAGE::FileName(int n) { return "Lang" + std::to_string(n) + ".so"; }

void LANGUAGE::SetFolder(std::string folder) { folder_ = std::move(folder); }

std::string LANGUAGE::PathOf(int n) const {
    // With a slash in it the loader takes the path as it stands instead of
    // searching the system's library folders.
    const std::filesystem::path folder(folder_.empty() ? std::string(".") : folder_);
    return (folder / FileName(n)).string();
}

bool LANGUAGE::LoadLanguage(int n) {
    UnloadLanguage();
    if (!ValidLanguage(n)) return false;
    if (!OpenTable(PathOf(n), library_, table_)) return false;
    current_ = n;
    return true;
}

bool LANGUAGE::SwitchLanguage(int n) {
    if (Loaded() && n == current_) return true;
    if (!LanguageExists(n)) return false;
    void *library = nullptr;
    kmr::ResourceImage table;
    if (!OpenTable(PathOf(n), library, table)) return false;
    UnloadLanguage();
    library_ = library;
    table_ = std::move(table);
    current_ = n;
    return true;
}

bool LANGUAGE::LanguageExists(int n) const {
    if (!ValidLanguage(n)) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(PathOf(n), ec);
}

void LANGUAGE::UnloadLanguage() {
    table_ = kmr::ResourceImage();
    kmr::UnloadLibrary(library_);
    library_ = nullptr;
    current_ = -1;
}

bool LANGUAGE::LoadText(char (&buffer)[kTextBufferSize], int id) const {
    buffer[0] = '\0';
    if (!Loaded() || id < 0) return false;
    std::string text;
    if (!table_.LoadString(unsigned(id), text)) return false;
    text = kmr::Utf8Truncate(text, kTextBufferSize - 1);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}

const char *GetString(int number) {
    static char buffers[2][kTextBufferSize];
    static int last = 1;
    last ^= 1;
    char(&buffer)[kTextBufferSize] = buffers[last];
    if (number < 0 || !Language.LoadText(buffer, number)) buffer[0] = '\0';
    return buffer;
}
