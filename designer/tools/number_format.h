// Numbers as the probability calculator shows them: a leading zero, up to
// twenty decimals and no trailing zeros.
#pragma once

#include <string>

namespace qrv::designer::tools {

// The digits are those of the shortest decimal that reads back as the same
// double, rounded to twenty decimals when it has more; a value that rounds to
// zero shows as "0". Not-a-number and infinities show as "NaN", "Infinity"
// and "-Infinity".
std::string FormatProbability(double value);

}  // namespace qrv::designer::tools
