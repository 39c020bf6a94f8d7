// The K-S Fit options: which distributions the values are tested against.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class KSFitOptions final : public BoundPage {
  public:
    KSFitOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("K-S Fit"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Test Fit Against"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("FitUniform", tr("&Uniform Distribution")));
        inner->addWidget(Check("FitNormal", tr("N&ormal Distribution")));
        inner->addWidget(Check("FitPoisson", tr("&Poisson Distribution")));
        v->addWidget(box);
        v->addStretch(1);
    }

  private:
    std::optional<scenario::Refusal> PageRefusal() const override {
        return scenario::CheckKSFit(draft_);
    }
};

}  // namespace

OptionsPage* NewKSFitOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new KSFitOptions(d, p, parent);
}

}  // namespace qrv::designer
