// Temporary folders and files for the platform tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kmrtest {

// A fresh folder below the test temp folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string pattern = testing::TempDir() + "kmr_platform_XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    bool Ok() const { return !path_.empty(); }
    std::string File(const std::string &name) const { return path_ + "/" + name; }
    const std::string &Path() const { return path_; }

private:
    std::string path_;
};

inline void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

inline void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

inline std::string ReadText(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace kmrtest
