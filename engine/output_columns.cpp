// Leading output columns.
#include "engine/output_columns.h"

#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

void AddGroupColumns(Quorvane& engine, TableDef& def, int& ordinal, const InputFields& in) {
    for (int g = 0; g < in.groups; ++g) {
        const size_t i = static_cast<size_t>(g);
        const int type = in.types[i] ? in.types[i] : dbText;
        engine.AddTableField(def, in.names[i], type, ordinal,
                             type == dbText ? (in.sizes[i] > 0 ? in.sizes[i] : 255) : 0);
    }
    engine.AddTableField(def, "DataField", dbText, ordinal, 64);
}

void AddCountColumns(Quorvane& engine, TableDef& def, int& ordinal, bool weighted,
                     const std::string& count) {
    engine.AddTableField(def, count, dbDouble, ordinal, 0);
    if (weighted) engine.AddTableField(def, "Observations", dbDouble, ordinal, 0);
    engine.AddTableField(def, "Missing", dbLong, ordinal, 0);
}

}  // namespace qrv
