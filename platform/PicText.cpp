#include "PicText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace kmr {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimRight(s);
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

// Splits a header line into words; a word starting with '#' after the first
// `args` + 1 words begins a trailing comment.
std::vector<std::string_view> Words(std::string_view line, size_t args) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size()) break;
        if (words.size() > args && line[pos] == '#') break;
        size_t end = pos;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

bool ParseSide(std::string_view s, int &value) {
    if (s.empty() || s.size() > 5) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > kMaxPictureSide) return false;
    value = v;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseRgb(std::string_view s, uint32_t &rgb) {
    if (s.size() != 6) return false;
    uint32_t v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = (v << 4) | uint32_t(d);
    }
    rgb = v;
    return true;
}

bool Fail(std::string *error, size_t line, const std::string &message) {
    if (error) *error = "line " + std::to_string(line) + ": " + message;
    return false;
}

} // namespace

bool ParsePicText(std::string_view text, Picture &out, std::string *error) {
    int width = 0, height = 0;
    std::array<bool, 128> defined{};
    std::array<uint32_t, 128> colour{};
    bool inPixels = false;
    int rowsRead = 0;
    std::vector<uint32_t> pixels;

    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;

        if (inPixels && rowsRead < height) {
            const std::string_view row = TrimRight(raw);
            if (row.size() != size_t(width))
                return Fail(error, lineNo,
                            "row " + std::to_string(rowsRead + 1) + " has " +
                                std::to_string(row.size()) + " characters, expected " +
                                std::to_string(width));
            for (size_t x = 0; x < row.size(); ++x) {
                const auto c = static_cast<unsigned char>(row[x]);
                if (c >= 128 || !defined[c]) {
                    static const char hex[] = "0123456789ABCDEF";
                    const std::string shown = (c > 0x20 && c < 0x7F)
                                                  ? "'" + std::string(1, row[x]) + "'"
                                                  : std::string("byte 0x") + hex[c >> 4] + hex[c & 15];
                    return Fail(error, lineNo,
                                "column " + std::to_string(x + 1) +
                                    ": no colour is defined for " + shown);
                }
                pixels.push_back(0xFF000000u | colour[c]);
            }
            ++rowsRead;
            continue;
        }

        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') continue;
        if (inPixels) return Fail(error, lineNo, "unexpected text after the pixel rows");

        const std::string_view keyword = line.substr(0, line.find_first_of(" \t"));
        const std::vector<std::string_view> words = Words(line, keyword == "pixels" ? 0 : 2);
        if (keyword == "size") {
            if (width) return Fail(error, lineNo, "size given twice");
            if (words.size() != 3 || !ParseSide(words[1], width) ||
                !ParseSide(words[2], height)) {
                width = height = 0;
                return Fail(error, lineNo,
                            "expected 'size WIDTH HEIGHT' with sides from 1 to " +
                                std::to_string(kMaxPictureSide));
            }
        } else if (keyword == "color") {
            if (words.size() != 3)
                return Fail(error, lineNo, "expected 'color CHARACTER RRGGBB'");
            const std::string_view ch = words[1];
            if (ch.size() != 1 || ch[0] < 0x21 || ch[0] > 0x7E)
                return Fail(error, lineNo,
                            "a colour is named by one printable, non-blank ASCII character");
            const auto c = static_cast<unsigned char>(ch[0]);
            if (defined[c])
                return Fail(error, lineNo, "colour '" + std::string(ch) + "' defined twice");
            if (!ParseRgb(words[2], colour[c]))
                return Fail(error, lineNo, "colour must be six hex digits RRGGBB");
            defined[c] = true;
        } else if (keyword == "pixels") {
            if (words.size() != 1) return Fail(error, lineNo, "'pixels' takes no arguments");
            if (!width) return Fail(error, lineNo, "'pixels' before 'size'");
            inPixels = true;
            pixels.reserve(size_t(width) * size_t(height));
        } else {
            return Fail(error, lineNo, "unknown keyword '" + std::string(keyword) + "'");
        }
    }

    lineNo = std::max<size_t>(lineNo, 1);
    if (!inPixels) return Fail(error, lineNo, "no 'pixels' section");
    if (rowsRead < height)
        return Fail(error, lineNo,
                    "the text ends after " + std::to_string(rowsRead) + " of " +
                        std::to_string(height) + " pixel rows");
    out.width = width;
    out.height = height;
    out.pixels = std::move(pixels);
    return true;
}

} // namespace kmr
