// A check for output tables whose columns are named after input fields: a
// field named like another column (a group field called "Missing", an
// analysis field called "CalcType") would make the table impossible.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/fold.h"

namespace qrv {

// The failure text when two of the names are the same without regard to
// case, empty when all differ.
inline std::string RepeatedColumn(const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (dao::iequal(names[i], names[j]))
                return "The output table cannot have two columns named [" + names[i] +
                       "]: rename the field or leave it out.";
    return {};
}

}  // namespace qrv
