// The Chi-Square options: one category list for all groups, blank values,
// and the detail table.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class ChiSquareOptions final : public BoundPage {
  public:
    ChiSquareOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Chi-Square"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Chi-Square Options"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("ChiAll", tr("&All groups use the same compare values")));
        inner->addWidget(Check("ChiIgnoreBlanks", tr("&Ignore blank compare values")));
        inner->addWidget(Check("ChiDetail", tr("Create &detail table")));
        v->addWidget(box);
        v->addStretch(1);
    }
};

}  // namespace

OptionsPage* NewChiSquareOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new ChiSquareOptions(d, p, parent);
}

}  // namespace qrv::designer
