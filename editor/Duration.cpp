#include "Duration.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kmr {

std::string FormatDuration(double seconds) {
    // Room for every finite double written out in full.
    char text[400];
    const auto r = std::to_chars(text, text + sizeof text - 1, seconds, std::chars_format::fixed, 2);
    if (r.ec != std::errc()) return "0.00";
    *r.ptr = 0;
    return text;
}

double ParseDuration(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return 0.0;
    double value = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return 0.0;
    return value;
}

int64_t DurationPosition(double seconds) {
    if (!std::isfinite(seconds)) return 0;
    double hundredths = seconds * 100.0;
    if (std::fabs(hundredths) >= 9.0e18) return hundredths < 0 ? INT64_MIN : INT64_MAX;
    // A product a rounding step away from a whole number is that number.
    const double whole = std::round(hundredths);
    if (std::fabs(hundredths - whole) <= 1e-7 * std::max(1.0, std::fabs(whole))) hundredths = whole;
    return int64_t(std::trunc(hundredths));
}

bool DurationFits(double seconds) {
    const double samples = std::trunc(double(kRates[2]) * seconds);
    // NaN fails both comparisons.
    return samples > -2147483649.0 && samples < 2147483648.0;
}

int RateItem(int32_t freq) {
    for (int i = 0; i < 3; ++i)
        if (kRates[i] == freq) return i;
    return -1;
}

int32_t RateOfItem(int item) { return item == 0 || item == 1 ? kRates[item] : kRates[2]; }

} // namespace kmr
