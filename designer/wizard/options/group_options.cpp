// The options of the group analyses (two-sample t-test, one- and two-way
// ANOVA): blank factor values, and the detail table.
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class GroupOptions final : public BoundPage {
  public:
    GroupOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption(d.subtype.c_str()), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Group Options"), this);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(
            Check("GroupIgnoreBlanks", tr("&Ignore records with a blank comparison value")));
        inner->addWidget(Check("GroupDetail", tr("Create &detail table")));
        v->addWidget(box);
        v->addStretch(1);
    }
};

}  // namespace

OptionsPage* NewGroupOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new GroupOptions(d, p, parent);
}

}  // namespace qrv::designer
