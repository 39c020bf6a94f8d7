// RegressionBase: what the three regressions (a line per X field, one model
// on all X fields, a polynomial per X field) share: the counts, coefficient,
// fit and analysis-of-variance columns and their writing from a fit, and the
// residual table. Residual rows are appended while the records are read; each
// group's rows are tied to the model fitted for it, and after the walk one
// pass writes every row's fitted value and residual, or deletes the row when
// its model could not be fitted.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/recordset.h"
#include "engine/analysis_run.h"
#include "numeric/czvalue.h"
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
// field's sums against Y and the residual rows waiting for its fit. Sums is
// any accumulator with add(x, y, w) and merge.
template <class Sums>
struct PerFieldGroup : GroupState {
    std::vector<Sums> sums;                            // per X field
    std::vector<std::vector<dao::Bookmark>> residual;  // residual rows per X field
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const PerFieldGroup&>(other);
        for (std::size_t i = 0; i < sums.size(); ++i) {
            sums[i].merge(o.sums[i]);
            residual[i].insert(residual[i].end(), o.residual[i].begin(), o.residual[i].end());
        }
    }
};

class RegressionBase : protected AnalysisRun {
  protected:
    // A fitted model for the residual pass: the estimate is a + sum b_j t_j,
    // the terms t_j being the powers x^j of the row's X value, or the row's
    // X columns in order.
    struct Model {
        bool usable = false;
        num::Extended a;
        std::vector<num::Extended> b;
    };
    // A residual row and the model of its group (index into the models).
    using ResidualLink = std::pair<dao::Bookmark, std::size_t>;

    // The run: hashed groups without a residual table; with one, the sorted
    // walk, so that its rows come in group order, then the residual pass.
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
    // Appends a residual row for the current data row; link gets its bookmark.
    std::string AppendResidual(const std::string& dataField, double weight,
                               const std::vector<double>& xs, double y, dao::Bookmark& link);
    // Adds the current row to each X field's sums of that field against Y,
    // with its residual row per field.
    template <class Sums>
    std::string AddPerFieldRow(PerFieldGroup<Sums>& g) {
        std::vector<Sums>& sums = g.sums;
        std::vector<std::vector<dao::Bookmark>>& residual = g.residual;
        double w = 0;
        std::optional<double> y;
        if (std::string e = reader().WeightedUsable(args().xFields, w, y); !e.empty()) return e;
        if (!y) return {};  // a skipped row, or no Y: missing for every X field
        for (int i = 0; i < args().xFields; ++i) {
            std::optional<double> x;
            if (std::string e = reader().Usable(i, x); !e.empty()) return e;
            if (!x) continue;
            const auto f = static_cast<std::size_t>(i);
            sums[f].add(*x, *y, w);
            if (residuals()) {
                dao::Bookmark row = 0;
                const std::string& name =
                    args().fields[static_cast<std::size_t>(args().groups + i)];
                if (std::string e = AppendResidual(name, w, {*x}, *y, row); !e.empty()) return e;
                residual[f].push_back(row);
            }
        }
        return {};
    }
    // Ties residual rows to a new model (the fit's coefficients when usable).
    void AddModel(const num::RegressionFit& fit, const std::vector<dao::Bookmark>& rows);

  private:
    std::string BeforeWalk() override;
    std::string ResidualPass();

    RegressionArgs args_;
    bool powers_ = false;
    bool perField_ = false;
    int countColumn_ = 0, terms_ = 0;
    dao::Recordset residualRs_;
    bool inTransaction_ = false;
    std::vector<Model> models_;
    std::vector<ResidualLink> links_;
    num::CZValue z_;
};

}  // namespace qrv
