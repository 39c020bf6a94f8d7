// The N Sample options: the Kruskal-Wallis detail table.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class NSampleOptions final : public BoundPage {
  public:
    NSampleOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("N Sample"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Kruskal-Wallis Test"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(Check("NPKruskalDetail", tr("Create &detail table")));
        v->addWidget(box);
        v->addStretch(1);
    }
};

}  // namespace

OptionsPage* NewNSampleOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new NSampleOptions(d, p, parent);
}

}  // namespace qrv::designer
