// RegressionBase: what the three regressions (a line per X field, one model
// on all X fields, a polynomial per X field) share: the counts, coefficient,
// fit and analysis-of-variance columns and their writing from a fit, and the
// residual table. The walk keeps running sums per group and, when residuals
// are asked for, each group's fitted models; a second read of the input in
// group order then writes every used record's residual row from its group's
// model, so that memory holds models, never rows.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/objects/recordset.h"
#include "engine/analysis_run.h"
#include "numeric/distributions.h"
#include "numeric/extended.h"
#include "numeric/least_squares.h"

namespace qrv {

// The arguments every regression takes.
struct RegressionArgs {
    std::string outputTable;
    std::string residualTable;  // no residual table when empty
    std::string input;
    std::vector<std::string> fields;  // group, X fields, Y, weight when weighted
    int groups = 0;
    int xFields = 0;
    bool weighted = false;
    bool anova = false;
    bool intercept = true;
};

// A name cut to its first 64 characters (not bytes).
std::string CutName(const std::string& name);

// The state of a regression fitted per X field (simple and polynomial): each
// field's sums against Y. Sums is any accumulator with add(x, y, w) and merge.
template <class Sums>
struct PerFieldGroup : GroupState {
    std::vector<Sums> sums;  // per X field
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const PerFieldGroup&>(other);
        for (std::size_t i = 0; i < sums.size(); ++i) sums[i].merge(o.sums[i]);
    }
};

class RegressionBase : protected AnalysisRun {
  protected:
    // The run: hashed groups for the fits; with a residual table, then the
    // residual pass over the input in group order.
    std::string RunRegression(Quorvane& engine, const RegressionArgs& args, bool powers);

    const RegressionArgs& args() const { return args_; }
    const std::string& yName() const { return args_.fields[static_cast<std::size_t>(yPosition())]; }
    int yPosition() const { return args_.groups + args_.xFields; }
    bool residuals() const { return !args_.residualTable.empty(); }

    // The output table: group columns, DataField when perField, the count
    // columns, then the coefficient blocks of the terms named by suffix
    // ("X", "X^2", "X1: Age") and the fit and ANOVA columns.
    std::string CreateFitTable(bool perField, const std::vector<std::string>& suffixes);
    // The residual table: group columns, DataField when perField, the
    // Observations column when weighted, xColumns, the Y, Estimated_Y and
    // Residual columns.
    std::string CreateResidualTable(bool perField, const std::vector<std::string>& xColumns);

    // One output row: counts always, the statistics when the fit succeeded.
    std::string WriteFitRow(const std::vector<dao::Value>& group, const std::string& dataField,
                            double n, long valid, long records, const num::RegressionFit& fit);

    // The current row as a regression per X field uses it: its weight and Y
    // (y nullopt when the row is skipped or has no usable Y, the X fields
    // then left unread) and each X field's usable value.
    std::string ReadPerFieldRow(double& w, std::optional<double>& y,
                                std::vector<std::optional<double>>& xs) const;
    // The current row as the model on all X fields uses it: y nullopt unless
    // the weight is positive and every X value and Y are usable.
    std::string ReadAllFieldsRow(double& w, std::vector<double>& xs,
                                 std::optional<double>& y) const;
    // Adds the current row to each X field's sums of that field against Y.
    template <class Sums>
    std::string AddPerFieldRow(PerFieldGroup<Sums>& g) {
        double w = 0;
        std::optional<double> y;
        if (std::string e = ReadPerFieldRow(w, y, rowXs_); !e.empty()) return e;
        if (!y) return {};  // a skipped row, or no Y: missing for every X field
        for (std::size_t f = 0; f < rowXs_.size(); ++f)
            if (rowXs_[f]) g.sums[f].add(*rowXs_[f], *y, w);
        return {};
    }
    // Keeps a written group's fits (one per X field, or the one model) for
    // the residual table, with the group's values and record count, which
    // the residual pass must meet again.
    void KeepModels(const std::vector<dao::Value>& group, long records,
                    const std::vector<num::RegressionFit>& fits);

  private:
    // A fitted model: the estimate is a + sum b_j t_j, the terms t_j being
    // the powers x^j of the row's X value, or the row's X columns in order.
    struct Model {
        bool usable = false;
        num::Extended a;
        std::vector<num::Extended> b;
    };
    // The group a residual-pass row belongs to, as the walk wrote it.
    struct ModelGroup {
        std::vector<dao::Value> values;
        long records = 0;
    };
    struct ResidualColumns {
        std::vector<std::string> x;
        std::string y;
    };

    std::string ResidualPass();
    std::string WriteResiduals();
    // The residual rows of the current input row, from the models of its
    // group (starting at models_[first]); written counts the rows written.
    std::string WriteResidualRows(const std::vector<dao::Value>& group, std::size_t first,
                                  long& written);
    std::string WriteResidualRow(const std::vector<dao::Value>& group, const Model& m,
                                 const std::string& dataField, double weight,
                                 const std::vector<double>& xs, double y);
    num::Extended Estimate(const Model& m, const std::vector<double>& xs) const;

    RegressionArgs args_;
    bool powers_ = false;
    bool perField_ = false;
    int terms_ = 0;
    std::vector<std::string> suffixes_;
    ResidualColumns residualColumns_;
    dao::Recordset residualRs_;
    std::vector<Model> models_;
    std::vector<ModelGroup> modelGroups_;
    // The current row's values, kept to spare an allocation per row.
    std::vector<std::optional<double>> rowXs_;
    std::vector<double> rowValues_;
    num::CZValue z_;
};

}  // namespace qrv
