// The Frequency options: the distribution's intervals and whether the sums of
// the values in each interval are written too.
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/frequency_group.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class FrequencyOptions final : public BoundPage {
  public:
    FrequencyOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Frequency"), parent) {
        auto* v = new QVBoxLayout(this);
        // The Frequency analysis always writes cumulative counts beside the
        // counts, so it has no display type to choose.
        freq_ = AddFrequencyGroup(*this, tr("Frequency Distribution"), false);
        v->addWidget(freq_.group);
        v->addWidget(Check("FreqSum", tr("Sum the values in each &interval")));
        v->addStretch(1);
    }

  private:
    void UpdateEnabled() override {
        EnableFrequencyGroup(freq_, true, freq_.grouping[1]->isChecked());
    }
    std::optional<scenario::Refusal> PageRefusal() const override {
        return scenario::CheckFrequency(draft_);
    }

    FrequencyControls freq_;
};

}  // namespace

OptionsPage* NewFrequencyOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new FrequencyOptions(d, p, parent);
}

}  // namespace qrv::designer
