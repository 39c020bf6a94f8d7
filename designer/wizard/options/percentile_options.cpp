// The Percentiles options: which cut points to write.
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class PercentileOptions final : public BoundPage {
  public:
    PercentileOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Percentiles"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Percentile Type"), this);
        auto* inner = new QVBoxLayout(box);
        for (QRadioButton* r : Radios("PercentileRadio", {{0, tr("&Median (50%)")},
                                                          {1, tr("&Quartiles (25%, 50%, 75%)")},
                                                          {2, tr("Q&uintiles (20%, 40% ... 80%)")},
                                                          {3, tr("&Deciles (10%, 20% ... 90%)")},
                                                          {4, tr("&Percentiles (1% ... 99%)")}}))
            inner->addWidget(r);
        v->addWidget(box);
        v->addStretch(1);
    }
};

}  // namespace

OptionsPage* NewPercentileOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new PercentileOptions(d, p, parent);
}

}  // namespace qrv::designer
