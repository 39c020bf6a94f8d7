// The Matrix options: which statistics the correlation matrix holds, and
// one- or two-tailed probabilities.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class MatrixOptions final : public BoundPage {
  public:
    MatrixOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Matrix"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Statistics"), this);
        auto* grid = new QGridLayout(box);
        grid->addWidget(Check("MCnt", tr("&Count")), 0, 0);
        grid->addWidget(Check("MMis", tr("M&issing")), 1, 0);
        grid->addWidget(Check("MMean", tr("&Mean X-Y")), 2, 0);
        grid->addWidget(Check("MDev", tr("&Std. Dev. X-Y")), 3, 0);
        grid->addWidget(Check("MCov", tr("Co&variance")), 4, 0);
        grid->addWidget(Check("MCor", tr("C&orrelation")), 0, 1);
        grid->addWidget(Check("MR2", tr("&R-Square")), 1, 1);
        grid->addWidget(Check("MT", tr("&t-Value")), 2, 1);
        prob_ = Check("MProb", tr("&Probability"));
        grid->addWidget(prob_, 3, 1);
        auto* tails = new QHBoxLayout;
        tails->setContentsMargins(24, 0, 0, 0);
        tails_ = Radios("MProbTail", {{0, tr("&1-tail")}, {1, tr("&2-tail")}});
        for (QRadioButton* r : tails_) tails->addWidget(r);
        tails->addStretch(1);
        grid->addLayout(tails, 4, 1);
        v->addWidget(box);
        v->addStretch(1);
        // Asking for probabilities without tails would leave them unusable.
        connect(prob_, &QCheckBox::toggled, this, [this](bool on) {
            if (on && !loading() && draft_.option("MProbTail").isNull())
                tails_[1]->setChecked(true);
        });
    }

  private:
    std::optional<scenario::Refusal> PageRefusal() const override {
        return scenario::CheckMatrix(draft_);
    }

    void UpdateEnabled() override {
        for (QRadioButton* r : tails_) r->setEnabled(prob_->isChecked());
    }

    QCheckBox* prob_ = nullptr;
    std::vector<QRadioButton*> tails_;
};

}  // namespace

OptionsPage* NewMatrixOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new MatrixOptions(d, p, parent);
}

}  // namespace qrv::designer
