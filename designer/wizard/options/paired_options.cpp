// The Paired Fields options: which tests compare each X field with the Y
// field record by record.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class PairedOptions final : public BoundPage {
  public:
    PairedOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Paired Fields"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Tests"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("NPPair_Sign", tr("&Sign Test")));
        inner->addWidget(Check("NPPair_Wilcoxon", tr("&Wilcoxon Signed-Rank Test")));
        inner->addWidget(Check("NPPair_Spearman", tr("S&pearman Rank Correlation")));
        v->addWidget(box);
        v->addStretch(1);
    }

  private:
    std::optional<scenario::Refusal> PageRefusal() const override {
        return scenario::CheckPaired(draft_);
    }
};

}  // namespace

OptionsPage* NewPairedOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new PairedOptions(d, p, parent);
}

}  // namespace qrv::designer
