// The rules of the settings dialog's calculation page that need no window:
// how the duration is shown and read back, where the track bar stands for a
// duration, which durations can be calculated at all, and the three sample
// rates of the rate group.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kmr {

// The track bar covers 0 to 10 seconds in hundredths of a second.
constexpr int kTrackBarMax = 1000;

// The rates of the rate group's items 0, 1 and 2.
constexpr int32_t kRates[3] = {11025, 22050, 44100};

// The duration as the edit shows it: two decimals, a point ("%3.2f").
std::string FormatDuration(double seconds);

// The edit's text as a duration: the whole text, blanks around it allowed,
// read as a decimal number with a point; empty or unreadable text gives 0.
// Reading does not depend on the locale.
double ParseDuration(std::string_view text);

// The integer part of seconds * 100: the track bar position of a duration.
// A duration shown with two decimals gives the hundredths it shows (0.29
// gives 29, although 0.29 * 100 is a little below 29 in binary). May lie
// outside the bar's range.
int64_t DurationPosition(double seconds);

// Whether the sample count of `seconds`, at every rate the dialog offers,
// fits a signed 32-bit number. A duration that does not fit could never be
// calculated; the dialog does not take it.
bool DurationFits(double seconds);

// The rate item that shows `freq`; -1 for a rate that is none of the three.
int RateItem(int32_t freq);

// The rate stored for the selected item: 11025 for item 0, 22050 for item 1,
// 44100 for item 2 and for no selection.
int32_t RateOfItem(int item);

} // namespace kmr
