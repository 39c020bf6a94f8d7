// The Sign Test options: test the values against their mean, their median
// and a value of the user's.
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class SignTestOptions final : public BoundPage {
  public:
    SignTestOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Sign Test"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Test Values Against"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("SignMean", tr("&Mean")));
        inner->addWidget(Check("SignMedian", tr("M&edian")));
        auto* custom = new QHBoxLayout;
        // The value is stored as a whole number.
        custom_ = Check("SignCustom", tr("&Custom Value (whole number):"));
        value_ = Number("SignValue");
        custom->addWidget(custom_);
        custom->addWidget(value_);
        custom->addStretch(1);
        inner->addLayout(custom);
        v->addWidget(box);
        v->addStretch(1);
    }

  private:
    void UpdateEnabled() override { value_->setEnabled(custom_->isChecked()); }
    std::optional<scenario::Refusal> PageRefusal() const override {
        return scenario::CheckSignTest(draft_);
    }

    QCheckBox* custom_ = nullptr;
    QLineEdit* value_ = nullptr;
};

}  // namespace

OptionsPage* NewSignTestOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new SignTestOptions(d, p, parent);
}

}  // namespace qrv::designer
