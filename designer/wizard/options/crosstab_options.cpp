// The Crosstab options: the statistic in each cell, the extra share rows,
// and the chi-square table. Expected values and chi-square exist only for
// counts and sums.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class CrosstabOptions final : public BoundPage {
  public:
    CrosstabOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Crosstab"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* form = new QFormLayout;
        // The first ten cell statistics, by their place in the option's list.
        type_ = Combo("XType", {{0, tr("Count")},
                                {1, tr("Sum")},
                                {2, tr("Average")},
                                {3, tr("Minimum")},
                                {4, tr("Maximum")},
                                {5, tr("Range")},
                                {6, tr("Variance")},
                                {7, tr("Coefficient of Variation")},
                                {8, tr("Standard Deviation")},
                                {9, tr("Standard Error")}});
        auto* typeLabel = new QLabel(tr("&Cell Value:"), this);
        typeLabel->setBuddy(type_);
        form->addRow(typeLabel, type_);
        v->addLayout(form);

        auto* shares = new QGroupBox(tr("Additional Rows"), this);
        auto* s = new QVBoxLayout(shares);
        s->addWidget(Check("XRowPCnt", tr("% of &Row")));
        s->addWidget(Check("XColPcnt", tr("% of C&olumn")));
        s->addWidget(Check("xTotPcnt", tr("% of &Total")));
        countsOnly_ = {Check("xExpectPcnt", tr("% of &Expected")),
                       Check("xExpect", tr("E&xpected Value"))};
        for (QCheckBox* c : countsOnly_) s->addWidget(c);
        v->addWidget(shares);
        chi_ = Check("xChi", tr("Chi-S&quare table"));
        countsOnly_.push_back(chi_);
        v->addWidget(chi_);
        auto* note =
            new QLabel(tr("Expected values and chi-square apply to Count and Sum only."), this);
        note->setWordWrap(true);
        v->addWidget(note);
        v->addStretch(1);

        // Switching to a statistic without expected values clears those
        // options, so that no chi-square table is asked for that would never
        // be written.
        connect(type_, &QComboBox::currentIndexChanged, this, [this] {
            if (loading() || CountsOrSums()) return;
            for (QCheckBox* c : countsOnly_) c->setChecked(false);
        });
    }

  private:
    bool CountsOrSums() const {
        const QString t = type_->currentData().toString();
        return t == "C" || t == "S";
    }
    void UpdateEnabled() override {
        for (QCheckBox* c : countsOnly_) c->setEnabled(CountsOrSums());
    }

    QComboBox* type_ = nullptr;
    QCheckBox* chi_ = nullptr;
    std::vector<QCheckBox*> countsOnly_;
};

}  // namespace

OptionsPage* NewCrosstabOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new CrosstabOptions(d, p, parent);
}

}  // namespace qrv::designer
