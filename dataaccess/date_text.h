// Reading dates written as text: the one parser behind #date# literals in
// SQL and the text-to-date conversion of values. Dates are serial day
// numbers: days since 1899-12-30, the fraction being the time of day.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qrv::dao {

// Accepts "m/d/yyyy", "m/d/yy" (00-29 is 20xx, 30-99 is 19xx), "yyyy-mm-dd",
// "yyyy/mm/dd" (also "-" or "." between the parts of either order), each
// optionally followed by a time, and a time alone, which falls on day 0.
// Times are "h:mm", "h:mm:ss", either with an optional AM or PM, or "h AM".
// A "T" may join an ISO date to its time. Returns nothing for anything else,
// including impossible dates and times (February 30th, 25:00).
std::optional<double> parseDateText(std::string_view text);

// True for exactly the stored form "YYYY-MM-DD HH:MM:SS" of a valid date.
bool isStoredDateText(std::string_view text);

// Serial day number of a calendar day (no range check).
double serialFromCivil(int year, int month, int day);

// The stored form of a date, "YYYY-MM-DD HH:MM:SS", rounded to whole seconds.
std::string serialDateToIso(double serial);

}  // namespace qrv::dao
