// The tables, fit rows and row reading the regressions share; the residual
// pass is in regression_residuals.cpp.
#include "analyses/parametric/regression_base.h"

#include <cmath>

#include "engine/quorvane.h"
#include "engine/row_writer.h"

namespace qrv {

using namespace qrv::dao;

std::string CutName(const std::string& name) {
    // Count characters by their lead bytes, so a character is never split.
    std::size_t chars = 0, i = 0;
    for (; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if ((c & 0xC0) != 0x80 && chars++ == 64) break;
    }
    return name.substr(0, i);
}

std::string RegressionBase::RunRegression(Quorvane& engine, const RegressionArgs& args,
                                          bool powers) {
    args_ = args;
    powers_ = powers;
    models_.clear();
    modelGroups_.clear();
    // Y is read as one more analysis field, so the weight sits right after it.
    AnalysisInput input{args.input, args.fields, args.groups, args.xFields + 1, args.weighted};
    // The fits need running sums alone, whatever the residuals: those are
    // written afterwards from a second read of the input in group order.
    std::string error = Run(engine, std::move(input), Walk::Hashed);
    if (error.empty() && residuals()) error = ResidualPass();
    residualRs_.Close();
    models_.clear();
    modelGroups_.clear();
    return error;
}

namespace {

// Group columns, and DataField when asked, as the input has them.
TableDef leadingColumns(Quorvane& engine, const std::string& name, int& ordinal,
                        const InputFields& in, bool perField) {
    engine.Quorvane_DeleteTable(false, name);
    TableDef def = engine.OutputDatabase().CreateTableDef(name);
    ordinal = 1;
    if (perField) {
        AddGroupColumns(engine, def, ordinal, in);
        return def;
    }
    for (int g = 0; g < in.groups; ++g) {
        const std::size_t i = static_cast<std::size_t>(g);
        const int type = in.types[i] ? in.types[i] : dbText;
        engine.AddTableField(def, in.names[i], type, ordinal,
                             type == dbText ? (in.sizes[i] > 0 ? in.sizes[i] : 255) : 0);
    }
    return def;
}

}  // namespace

std::string RegressionBase::CreateFitTable(bool perField,
                                           const std::vector<std::string>& suffixes) {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    perField_ = perField;
    terms_ = static_cast<int>(suffixes.size());
    suffixes_ = suffixes;
    int ordinal = 1;
    TableDef def = leadingColumns(engine(), args_.outputTable, ordinal, inputFields(), perField);
    auto add = [&](const std::string& name, int type = dbDouble) {
        engine().AddTableField(def, CutName(name), type, ordinal, 0);
    };
    add("Count_of_" + yName());
    if (args_.weighted) add("Observations");
    add("Missing", dbLong);
    const bool a = args_.intercept;
    if (a) add("Y-Intercept");
    for (const auto& s : suffixes) add("Coef_of_" + s);
    if (a) add("SE_of_Y-Intercept");
    for (const auto& s : suffixes) add("SE_of_" + s);
    for (const auto& s : suffixes) add("Beta_of_" + s);
    if (a) add("t-Value_of_Y-Intercept");
    for (const auto& s : suffixes) add("t-Value_of_" + s);
    if (a) add("Prob_of_Y-Intercept");
    for (const auto& s : suffixes) add("Prob_of_" + s);
    for (const char* s : {"Multiple_R", "R-Square", "Adj_R-Square", "StdError_of_Estimate"}) add(s);
    if (args_.anova)
        for (const char* s :
             {"Regression_DF", "Residual_DF", "Total_DF", "Regression_SS", "Residual_SS",
              "Total_SS", "Regression_MS", "Residual_MS", "F-Value", "Prob"})
            add(s);
    return CreateOutputTable(def);
}

std::string RegressionBase::CreateResidualTable(bool perField,
                                                const std::vector<std::string>& xColumns) {
    ProcedureScope scope(engine().ErrorHandler(), "CreateResidual");
    int ordinal = 1;
    TableDef def = leadingColumns(engine(), args_.residualTable, ordinal, inputFields(), perField);
    auto add = [&](const std::string& name) {
        engine().AddTableField(def, CutName(name), dbDouble, ordinal, 0);
    };
    residualColumns_.x.clear();
    for (const auto& x : xColumns) residualColumns_.x.push_back(CutName(x));
    residualColumns_.y = CutName("Y:" + yName());
    if (args_.weighted) add("Observations");
    for (const auto& x : xColumns) add(x);
    add("Y:" + yName());
    add("Estimated_Y");
    add("Residual");
    return CreateOutputTable(def, &residualRs_);
}

std::string RegressionBase::WriteFitRow(const std::vector<Value>& group,
                                        const std::string& dataField, double n, long valid,
                                        long records, const num::RegressionFit& fit) {
    RowWriter row(output());
    if (perField_)
        row.groups(inputFields(), group, dataField);
    else
        row.groupsOnly(args_.groups, group);
    row.set(CutName("Count_of_" + yName()), n);
    if (args_.weighted) row.set("Observations", static_cast<double>(valid));
    row.set("Missing", static_cast<int>(records - valid));
    if (fit.status == num::FitStatus::Ok) {
        const double df = fit.residDf.toDouble();
        const bool a = args_.intercept;
        auto tValue = [](const num::Extended& b, const num::Extended& se) {
            return se > num::Extended(0.0) ? (b / se).toDouble() : 0.0;
        };
        auto term = [&](const char* block, std::size_t j) { return CutName(block + suffixes_[j]); };
        const double tA = tValue(fit.a, fit.seA);
        if (a) {
            row.set("Y-Intercept", fit.a.toDouble());
            row.set("SE_of_Y-Intercept", fit.seA.toDouble());
            row.set("t-Value_of_Y-Intercept", tA);
            row.set("Prob_of_Y-Intercept", z_.Quorvane_CalcProb("T", tA, df, 0));
        }
        for (std::size_t j = 0; j < suffixes_.size(); ++j) {
            const double t = tValue(fit.b[j], fit.se[j]);
            row.set(term("Coef_of_", j), fit.b[j].toDouble());
            row.set(term("SE_of_", j), fit.se[j].toDouble());
            row.set(term("Beta_of_", j),
                    fit.beta[j] ? std::optional<double>(fit.beta[j]->toDouble()) : std::nullopt);
            row.set(term("t-Value_of_", j), t);
            row.set(term("Prob_of_", j), z_.Quorvane_CalcProb("T", t, df, 0));
        }
        const num::Extended& r2 = fit.r2;
        const double k = static_cast<double>(terms_);
        row.set("Multiple_R", r2 >= num::Extended(0.0) ? std::optional<double>(sqrt(r2).toDouble())
                                                       : std::nullopt);
        row.set("R-Square", r2.toDouble());
        // Adjusted for the k terms, with or without intercept.
        const num::Extended unexplained = 1.0 - r2;
        row.set("Adj_R-Square",
                fit.n > num::Extended(k + 1)
                    ? std::optional<double>((r2 - unexplained * k / (fit.n - (k + 1))).toDouble())
                    : std::nullopt);
        row.set("StdError_of_Estimate", fit.residSd.toDouble());
        if (args_.anova) {
            row.set("Regression_DF", k);
            row.set("Residual_DF", df);
            row.set("Total_DF", (fit.residDf + k).toDouble());
            row.set("Regression_SS", fit.ssModel.toDouble());
            row.set("Residual_SS", fit.ssResid.toDouble());
            row.set("Total_SS", fit.ssTotal.toDouble());
            row.set("Regression_MS", fit.msModel.toDouble());
            row.set("Residual_MS", fit.msResid.toDouble());
            if (fit.f) {
                row.set("F-Value", fit.f->toDouble());
                row.set("Prob", z_.Quorvane_CalcProb("F", fit.f->toDouble(), terms_, df));
            }
        }
    }
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

std::string RegressionBase::ReadPerFieldRow(double& w, std::optional<double>& y,
                                            std::vector<std::optional<double>>& xs) const {
    xs.assign(static_cast<std::size_t>(args_.xFields), std::nullopt);
    if (std::string e = reader().WeightedUsable(args_.xFields, w, y); !e.empty()) return e;
    if (!y) return {};
    for (int i = 0; i < args_.xFields; ++i)
        if (std::string e = reader().Usable(i, xs[static_cast<std::size_t>(i)]); !e.empty())
            return e;
    return {};
}

std::string RegressionBase::ReadAllFieldsRow(double& w, std::vector<double>& xs,
                                             std::optional<double>& y) const {
    y.reset();
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};
    xs.resize(static_cast<std::size_t>(args_.xFields));
    for (int i = 0; i < args_.xFields; ++i) {
        std::optional<double> x;
        if (std::string e = reader().Usable(i, x); !e.empty()) return e;
        if (!x) return {};
        xs[static_cast<std::size_t>(i)] = *x;
    }
    return reader().Usable(args_.xFields, y);
}

void RegressionBase::KeepModels(const std::vector<Value>& group, long records,
                                const std::vector<num::RegressionFit>& fits) {
    modelGroups_.push_back({group, records});
    for (const num::RegressionFit& fit : fits) {
        Model m;
        m.usable = fit.status == num::FitStatus::Ok;
        if (m.usable) {
            m.b = fit.b;
            if (args_.intercept) m.a = fit.a;
        }
        models_.push_back(std::move(m));
    }
}

}  // namespace qrv
