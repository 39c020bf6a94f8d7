// The frequency distribution analysis: one pass over the input rows sorted by
// group, counting weight (and, on request, the weighted values) per interval,
// and writing each finished group's intervals field by field.
#include "analyses/parametric/frequency.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "engine/quorvane.h"
#include "engine/row_writer.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// The Interval column is a 16-bit integer and numbers up to K + 2 rows.
constexpr int kMaxIntervals = 32767 - 2;

bool descriptorIs(const std::string& descriptor, size_t position, char letter) {
    return descriptor.size() > position && descriptor[position] == letter;
}

// The sums of one group, per field (cells K + 2 per field for C and Z).
struct FrequencyGroup : GroupState {
    std::vector<long> valid;
    std::vector<num::Extended> n, S, C, Z;

    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const FrequencyGroup&>(other);
        for (size_t i = 0; i < valid.size(); ++i) valid[i] += o.valid[i];
        auto add = [](std::vector<num::Extended>& to, const std::vector<num::Extended>& from) {
            for (size_t i = 0; i < to.size(); ++i) to[i] += from[i];
        };
        add(n, o.n);
        add(S, o.S);
        add(C, o.C);
        add(Z, o.Z);
    }
};

}  // namespace

std::string CFrequency::Quorvane_Frequency(const std::string& strOutputTable,
                                           const std::string& strUserTable,
                                           const std::vector<std::string>& strFields,
                                           int intGroupFields, int intFields, bool fWeighted,
                                           const std::string& strDescriptor, int intIntervals,
                                           double dblInitial, double dblWidth, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Frequency");
    if (intIntervals < 1 || intIntervals > kMaxIntervals)
        return "The number of frequency intervals must be between 1 and " +
               std::to_string(kMaxIntervals) + ".";
    if (!(dblWidth > 0) || !std::isfinite(dblWidth))
        return "The frequency interval width must be greater than 0.";
    if (!std::isfinite(dblInitial)) return "The initial frequency value is not a number.";

    outputTable_ = strOutputTable;
    G_ = intGroupFields;
    F_ = intFields;
    K_ = intIntervals;
    initial_ = dblInitial;
    width_ = dblWidth;
    sumMode_ = descriptorIs(strDescriptor, 0, 'S');
    lowerClosed_ = descriptorIs(strDescriptor, 1, 'Y');
    outerIntervals_ = descriptorIs(strDescriptor, 2, 'Y');
    lowColumn_ = std::string("Low") + (lowerClosed_ ? "<=" : "<") + "Range";
    highColumn_ = std::string("Range") + (lowerClosed_ ? "<" : "<=") + "High";
    return Run(engine, {strUserTable, strFields, intGroupFields, intFields, fWeighted},
               Walk::Hashed);
}

std::string CFrequency::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    TableDef def = NewOutputTable(outputTable_);
    AddColumn(def, "Interval", dbInteger);
    AddColumn(def, lowColumn_, dbDouble);
    AddColumn(def, highColumn_, dbDouble);
    for (const char* name : {"Count", "Cumulative", "Count%", "Cumulative%"})
        AddColumn(def, name, dbDouble);
    if (sumMode_)
        for (const char* name : {"Sum", "CumulativeSum", "Sum%", "CumulativeSum%"})
            AddColumn(def, name, dbDouble);
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CFrequency::NewGroup() {
    const size_t fields = static_cast<size_t>(F_);
    auto g = std::make_unique<FrequencyGroup>();
    g->valid.assign(fields, 0);
    g->n.assign(fields, num::Extended());
    g->S.assign(fields, num::Extended());
    g->C.assign(fields * static_cast<size_t>(K_ + 2), num::Extended());
    g->Z.assign(sumMode_ ? g->C.size() : 0, num::Extended());
    return g;
}

int CFrequency::IntervalOf(double x) const {
    const double t = (x - initial_) / width_;
    if (t < 0) return 0;
    const double whole = std::floor(t);
    // Lower-closed: a value on a border opens the interval above it;
    // upper-closed: it closes the interval below it.
    const double b = lowerClosed_ || t != whole ? whole + 1 : t;
    // Also catches a value so far out that t is not finite.
    if (!(b < K_ + 1)) return K_ + 1;
    return static_cast<int>(b);
}

std::string CFrequency::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<FrequencyGroup&>(state);
    double w = 1;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (w <= 0) return {};
    for (int i = 0; i < F_; ++i) {
        std::optional<double> value;
        if (std::string e = reader().Usable(i, value); !e.empty()) return e;
        if (!value) continue;
        const double x = *value;
        const size_t f = static_cast<size_t>(i);
        const num::Extended xw = num::Extended::product(x, w);
        ++g.valid[f];
        g.n[f] += w;
        g.S[f] += xw;
        const size_t cell = Cell(IntervalOf(x), i);
        g.C[cell] += w;
        if (sumMode_) g.Z[cell] += xw;
    }
    return {};
}

std::string CFrequency::WriteGroup(GroupState& state, const std::vector<Value>& group, long) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    const auto& g = static_cast<const FrequencyGroup&>(state);
    const InputFields in = inputFields();
    const int first = outerIntervals_ ? 0 : 1;
    const int last = outerIntervals_ ? K_ + 1 : K_;
    auto share = [](const num::Extended& part, const num::Extended& whole) {
        return whole == 0.0 ? std::nullopt : std::optional<double>((part / whole).toDouble());
    };
    for (int i = 0; i < F_; ++i) {
        const size_t f = static_cast<size_t>(i);
        if (!(g.n[f] > 0.0)) continue;  // no usable value of this field in the group
        const std::string& field = in.names[static_cast<size_t>(G_ + i)];
        num::Extended cumulative, cumulativeSum;
        int number = 0;
        for (int b = first; b <= last; ++b) {
            const size_t cell = Cell(b, i);
            cumulative += g.C[cell];
            // The borders as computed, Null where the interval is open.
            Value lowBorder, highBorder;
            if (b == 0) {
                highBorder = initial_;
            } else if (b == K_ + 1) {
                lowBorder = initial_ + K_ * width_;
            } else {
                lowBorder = initial_ + (b - 1) * width_;
                highBorder = initial_ + b * width_;
            }
            RowWriter row(output());
            row.groups(in, group, field)
                .set("Interval", Value::int16(static_cast<std::int16_t>(++number)))
                .set(lowColumn_, lowBorder)
                .set(highColumn_, highBorder)
                .set("Count", g.C[cell].toDouble())
                .set("Cumulative", cumulative.toDouble())
                .set("Count%", share(g.C[cell], g.n[f]))
                .set("Cumulative%", share(cumulative, g.n[f]));
            if (sumMode_) {
                cumulativeSum += g.Z[cell];
                row.set("Sum", g.Z[cell].toDouble())
                    .set("CumulativeSum", cumulativeSum.toDouble())
                    .set("Sum%", share(g.Z[cell], g.S[f]))
                    .set("CumulativeSum%", share(cumulativeSum, g.S[f]));
            }
            if (Error e = row.finish()) return Unexpected(e);
        }
    }
    return {};
}

}  // namespace qrv
