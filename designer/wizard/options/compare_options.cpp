// The Compare options: which blocks of the comparison of each X field with
// the Y field to write.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class CompareOptions final : public BoundPage {
  public:
    CompareOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Compare"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Statistics"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("CountXY", tr("&Counts: X < Y, X = Y, X > Y")));
        inner->addWidget(Check("MeanXY", tr("&Means of X, Y and X-Y")));
        inner->addWidget(Check("CorrXY", tr("C&ovariance and Correlation")));
        inner->addWidget(Check("TTest", tr("Paired &t-Test")));
        v->addWidget(box);
        v->addStretch(1);
    }

  private:
    std::optional<scenario::Refusal> PageRefusal() const override {
        return scenario::CheckCompare(draft_);
    }
};

}  // namespace

OptionsPage* NewCompareOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new CompareOptions(d, p, parent);
}

}  // namespace qrv::designer
