// The 2 Sample options: Mann-Whitney with two-sample Kolmogorov-Smirnov, or
// the Wald-Wolfowitz runs test.
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class TwoSampleOptions final : public BoundPage {
  public:
    TwoSampleOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("2 Sample"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Test"), this);
        auto* inner = new QVBoxLayout(box);
        for (QRadioButton* r : Radios("NPTwoType", {{0, tr("&Mann-Whitney and Kolmogorov-Smirnov")},
                                                    {1, tr("&Wald-Wolfowitz Runs")}}))
            inner->addWidget(r);
        v->addWidget(box);
        v->addStretch(1);
    }
};

}  // namespace

OptionsPage* NewTwoSampleOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new TwoSampleOptions(d, p, parent);
}

}  // namespace qrv::designer
