// The columns, rows and residual pass the regressions share.
#include "analyses/parametric/regression_base.h"

#include <algorithm>
#include <cmath>

#include "dataaccess/fold.h"
#include "engine/quorvane.h"

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
    links_.clear();
    // Y is read as one more analysis field, so the weight sits right after it.
    AnalysisInput input{args.input, args.fields, args.groups, args.xFields + 1, args.weighted};
    std::string error = Run(engine, std::move(input), residuals() ? Walk::Sorted : Walk::Hashed);
    Database out = engine.OutputDatabase();
    if (error.empty() && residuals()) {
        engine.Quorvane_Msg(0, false, "Performing residual analysis");
        error = ResidualPass();
    }
    if (inTransaction_) {
        if (error.empty()) {
            if (Error e = out.CommitTrans()) error = Unexpected(e);
        } else {
            out.Rollback();
        }
        inTransaction_ = false;
    }
    residualRs_.Close();
    models_.clear();
    links_.clear();
    return error;
}

std::string RegressionBase::BeforeWalk() {
    if (!residuals()) return {};
    // The residual rows are written one per record: one transaction for all.
    Database out = engine().OutputDatabase();
    if (Error e = out.BeginTrans()) return Unexpected(e);
    inTransaction_ = true;
    return {};
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
    int ordinal = 1;
    TableDef def = leadingColumns(engine(), args_.outputTable, ordinal, inputFields(), perField);
    auto add = [&](const std::string& name, int type = dbDouble) {
        engine().AddTableField(def, CutName(name), type, ordinal, 0);
    };
    countColumn_ = args_.groups + (perField ? 1 : 0);
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
    Recordset& rs = output();
    Error e = rs.AddNew();
    for (int g = 0; g < args_.groups && !e; ++g)
        e = rs.SetValue(g, group[static_cast<std::size_t>(g)]);
    if (!e && perField_) e = rs.SetValue(args_.groups, dataField);
    int col = countColumn_;
    auto put = [&](const Value& v) {
        if (!e) e = rs.SetValue(col, v);
        ++col;
    };
    put(n);
    if (args_.weighted) put(static_cast<double>(valid));
    put(static_cast<int>(records - valid));
    if (!e && fit.status == num::FitStatus::Ok) {
        const double df = fit.residDf.toDouble();
        const bool a = args_.intercept;
        const auto k = static_cast<std::size_t>(terms_);
        auto tValue = [](const num::Extended& b, const num::Extended& se) {
            return se > num::Extended(0.0) ? (b / se).toDouble() : 0.0;
        };
        if (a) put(fit.a.toDouble());
        for (std::size_t j = 0; j < k; ++j) put(fit.b[j].toDouble());
        if (a) put(fit.seA.toDouble());
        for (std::size_t j = 0; j < k; ++j) put(fit.se[j].toDouble());
        for (std::size_t j = 0; j < k; ++j)
            put(fit.beta[j] ? Value(fit.beta[j]->toDouble()) : Value());
        if (a) put(tValue(fit.a, fit.seA));
        for (std::size_t j = 0; j < k; ++j) put(tValue(fit.b[j], fit.se[j]));
        if (a) put(z_.Quorvane_CalcProb("T", tValue(fit.a, fit.seA), df, 0));
        for (std::size_t j = 0; j < k; ++j)
            put(z_.Quorvane_CalcProb("T", tValue(fit.b[j], fit.se[j]), df, 0));
        const num::Extended& r2 = fit.r2;
        put(r2 >= num::Extended(0.0) ? Value(sqrt(r2).toDouble()) : Value());
        put(r2.toDouble());
        // Adjusted for the k terms, with or without intercept.
        const num::Extended unexplained = 1.0 - r2;
        put(fit.n > num::Extended(static_cast<double>(terms_ + 1))
                ? Value((r2 - unexplained * static_cast<double>(terms_) /
                                  (fit.n - static_cast<double>(terms_ + 1)))
                            .toDouble())
                : Value());
        put(fit.residSd.toDouble());
        if (args_.anova) {
            put(static_cast<double>(terms_));
            put(df);
            put((fit.residDf + static_cast<double>(terms_)).toDouble());
            put(fit.ssModel.toDouble());
            put(fit.ssResid.toDouble());
            put(fit.ssTotal.toDouble());
            put(fit.msModel.toDouble());
            put(fit.msResid.toDouble());
            put(fit.f ? Value(fit.f->toDouble()) : Value());
            put(fit.f ? Value(z_.Quorvane_CalcProb("F", fit.f->toDouble(), terms_, df)) : Value());
        }
    }
    if (!e) e = rs.Update();
    return e ? Unexpected(e) : std::string();
}

std::string RegressionBase::AppendResidual(const std::string& dataField, double weight,
                                           const std::vector<double>& xs, double y,
                                           Bookmark& link) {
    Recordset& data = engine().DataRecordset();
    Error e = residualRs_.AddNew();
    int col = 0;
    for (; col < args_.groups && !e; ++col) e = residualRs_.SetValue(col, data.GetValue(col));
    col = args_.groups;
    auto put = [&](const Value& v) {
        if (!e) e = residualRs_.SetValue(col, v);
        ++col;
    };
    if (perField_) put(dataField);
    if (args_.weighted) put(weight);
    for (double x : xs) put(x);
    put(y);
    if (!e) e = residualRs_.Update();
    if (e) return Unexpected(e);
    link = residualRs_.LastModified();
    return {};
}

void RegressionBase::AddModel(const num::RegressionFit& fit, const std::vector<Bookmark>& rows) {
    Model m;
    m.usable = fit.status == num::FitStatus::Ok;
    if (m.usable) {
        m.b = fit.b;
        if (args_.intercept) m.a = fit.a;
    }
    const std::size_t index = models_.size();
    models_.push_back(std::move(m));
    for (Bookmark b : rows) links_.emplace_back(b, index);
}

std::string RegressionBase::ResidualPass() {
    ProcedureScope scope(engine().ErrorHandler(), "CalcResiduals");
    if (links_.empty()) return {};
    std::sort(links_.begin(), links_.end());
    const int xStart = args_.groups + (perField_ ? 1 : 0) + (args_.weighted ? 1 : 0);
    const int xCount = powers_ ? 1 : args_.xFields;
    const int yColumn = xStart + xCount;
    long counter = 0;
    auto it = links_.begin();
    // Opened afresh, so that it holds the rows appended during the walk.
    residualRs_.Close();
    Database out = engine().OutputDatabase();
    auto rs = out.OpenRecordset(engine().WorkingTableName(args_.residualTable), dbOpenDynaset);
    if (!rs) return Unexpected(rs.error());
    residualRs_ = std::move(*rs);
    while (!residualRs_.Eof() && it != links_.end()) {
        auto key = residualRs_.GetBookmark();
        if (!key) return Unexpected(key.error());
        while (it != links_.end() && it->first < *key) ++it;
        if (it == links_.end() || it->first != *key) {
            if (Error e = residualRs_.MoveNext()) return Unexpected(e);
            continue;
        }
        const Model& m = models_[it->second];
        Error e;
        if (!m.usable) {
            e = residualRs_.Delete();
        } else {
            const double y = residualRs_.GetValue(yColumn).asDouble();
            num::Extended estimate;
            if (powers_) {
                const double x = residualRs_.GetValue(xStart).asDouble();
                // Horner's rule, in Extended: a + x (b1 + x (b2 + ...)).
                for (std::size_t j = m.b.size(); j-- > 0;) {
                    estimate += m.b[j];
                    estimate *= x;
                }
            } else {
                for (std::size_t i = 0; i < m.b.size(); ++i) {
                    estimate +=
                        m.b[i] * residualRs_.GetValue(xStart + static_cast<int>(i)).asDouble();
                }
            }
            estimate += m.a;
            // The residual from the fit itself, not from the fitted value as
            // rounded for its column: far from zero that rounding is larger
            // than the last digits of a small residual.
            e = residualRs_.Edit();
            if (!e) e = residualRs_.SetValue(yColumn + 1, estimate.toDouble());
            if (!e) e = residualRs_.SetValue(yColumn + 2, (num::Extended(y) - estimate).toDouble());
            if (!e) e = residualRs_.Update();
            if (!e) {
                ++counter;
                engine().Quorvane_Msg(counter, false,
                                      "Residual analysis record: " + std::to_string(counter));
            }
        }
        if (!e) e = residualRs_.MoveNext();
        if (e) return Unexpected(e);
        if (engine().Cancelled()) return std::string(kErrActionCancelledText);
        ++it;
    }
    if (counter > 0)
        engine().Quorvane_Msg(counter, true,
                              "Residual analysis record: " + std::to_string(counter));
    return {};
}

}  // namespace qrv
