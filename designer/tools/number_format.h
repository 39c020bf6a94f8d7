// Numbers as the designer shows them: the probability calculator's plain
// decimals, and the table viewer's cells (shortest text, or fixed decimals
// when the user asks for them).
#pragma once

#include <string>

namespace qrv::designer::tools {

// The digits are those of the shortest decimal that reads back as the same
// double, rounded to twenty decimals when it has more; a value that rounds to
// zero shows as "0". Not-a-number and infinities show as "NaN", "Infinity"
// and "-Infinity".
std::string FormatProbability(double value);

// The shortest decimal that reads back as the same double: plain digits from
// 1e-4 up to 1e16 ("0.1", "44.8565", "123456789012", whole numbers without a
// point), an exponent outside that range ("1e-07", "1.5e+20"). Negative zero
// keeps its sign ("-0"). Not-a-number and infinities as FormatProbability.
std::string FormatShortest(double value);
// The same for a value stored in single precision: the shortest text that
// reads back as the same float, so that a stored 0.1 shows as "0.1".
std::string FormatShortest(float value);
// The shortest text of the value rounded to `digits` significant digits (1 to
// 17): at 15, the noise of binary arithmetic goes ("44.8565" for a border
// computed as 44.856500000000004), while any decimal of up to 15 digits still
// shows as typed.
inline constexpr int kReadableDigits = 15;
std::string FormatSignificant(double value, int digits);

// Fixed decimals for display. value with exactly `decimals` decimals (0 to
// kMaxFixedDecimals), correctly rounded from the binary value; from 1e16 up,
// where the fixed form would be a long row of digits, the shortest form.
inline constexpr int kMaxFixedDecimals = 17;
std::string FormatFixed(double value, int decimals);

}  // namespace qrv::designer::tools
