// The N Fields options: the Friedman detail table.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class NFieldsOptions final : public BoundPage {
  public:
    NFieldsOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("N Fields"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Friedman Test"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("NPFriedmanDetail", tr("Create &detail table")));
        v->addWidget(box);
        v->addStretch(1);
    }
};

}  // namespace

OptionsPage* NewNFieldsOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new NFieldsOptions(d, p, parent);
}

}  // namespace qrv::designer
