#include "StringTable.h"

#include "Cp1251.h"

namespace kmr {

namespace {

bool Fail(std::string *error, size_t line, const std::string &message) {
    if (error) *error = "line " + std::to_string(line) + ": " + message;
    return false;
}

} // namespace

bool ParseStringTable(std::string_view text, std::map<unsigned, std::string> &out,
                      std::string *error) {
    std::map<unsigned, std::string> table;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3); // byte order mark
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        size_t i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size() || line[i] == '#') continue;

        const size_t digits = i;
        unsigned long number = 0;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
            number = number * 10 + unsigned(line[i] - '0');
            if (number > 0xFFFF) return Fail(error, lineNo, "string number above 65535");
            ++i;
        }
        if (i == digits) return Fail(error, lineNo, "expected a string number");
        if (i < line.size() && line[i] == '\t') {
            ++i;
        } else if (i < line.size() && line[i] == ' ') {
            while (i < line.size() && line[i] == ' ') ++i;
        } else if (i < line.size()) {
            return Fail(error, lineNo, "expected a tab or spaces after the string number");
        }

        std::string value;
        for (; i < line.size(); ++i) {
            if (line[i] != '\\') {
                value += line[i];
                continue;
            }
            if (++i == line.size()) return Fail(error, lineNo, "backslash at the end of the line");
            switch (line[i]) {
            case 'n': value += '\n'; break;
            case 't': value += '\t'; break;
            case '\\': value += '\\'; break;
            default:
                return Fail(error, lineNo,
                            std::string("unknown escape \\") + line[i] +
                                " (use \\n, \\t or \\\\)");
            }
        }
        if (!IsValidUtf8(value)) return Fail(error, lineNo, "text is not valid UTF-8");
        if (!table.emplace(unsigned(number), std::move(value)).second)
            return Fail(error, lineNo, "string " + std::to_string(number) + " given twice");
    }
    out = std::move(table);
    return true;
}

} // namespace kmr
