// The Describe options: which blocks of statistics to write, the variance
// method, confidence intervals, the t-test against a mean, percentiles and
// the frequency distribution.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/frequency_group.h"
#include "designer/wizard/options/options_pages.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

class DescribeOptions final : public BoundPage {
  public:
    DescribeOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Describe"), parent) {
        auto* grid = new QGridLayout(this);
        grid->addWidget(Statistics(), 0, 0);
        grid->addWidget(Percentiles(), 1, 0);
        grid->addWidget(Confidence(), 0, 1);
        grid->addWidget(TTest(), 1, 1);
        grid->addWidget(Frequency(), 2, 0, 1, 2);
        grid->setRowStretch(3, 1);
    }

  private:
    QGroupBox* Statistics() {
        auto* box = new QGroupBox(tr("Statistics"), this);
        auto* v = new QVBoxLayout(box);
        v->addWidget(Check("Range", "Minimum, Maximum, Range"));
        varStd_ = Check("VarStd",
                        "Var&iance, Coefficient of Variance, Standard Deviation, Standard Error");
        v->addWidget(varStd_);
        auto* method = new QHBoxLayout;
        method->setContentsMargins(24, 0, 0, 0);
        methodLabel_ = new QLabel(tr("Method:"), box);
        method->addWidget(methodLabel_);
        method_ = Radios("VarNRadio", {{0, "N"}, {1, "N-1"}});
        for (QRadioButton* r : method_) method->addWidget(r);
        method->addStretch(1);
        v->addLayout(method);
        v->addWidget(Check("Sum", "Sum, Sum Squared"));
        v->addWidget(Check("Mean", "Means: Geometric, Harmonic, &RMS"));
        v->addWidget(Check("Skew", "Skewness, &Kurtosis"));
        v->addWidget(Check("Mode", "Mode, Mode Count"));
        v->addStretch(1);
        return box;
    }

    QGroupBox* Percentiles() {
        auto* box = new QGroupBox(this);
        auto* v = new QVBoxLayout(box);
        percentile_ = Check("Percentile", "Percentiles");
        v->addWidget(percentile_);
        auto* h = new QHBoxLayout;
        h->setContentsMargins(24, 0, 0, 0);
        percentileType_ = Radios(
            "PercentileRadio",
            {{0, tr("Median")}, {1, tr("Quartiles")}, {2, tr("Quintiles")}, {3, tr("Deciles")}});
        for (QRadioButton* r : percentileType_) h->addWidget(r);
        h->addStretch(1);
        v->addLayout(h);
        return box;
    }

    QGroupBox* Confidence() {
        auto* box = new QGroupBox(this);
        auto* v = new QVBoxLayout(box);
        ci_ = Check("CI", "Confidence Intervals");
        v->addWidget(ci_);
        auto* grid = new QGridLayout;
        grid->setContentsMargins(24, 0, 0, 0);
        ci95_ = Check("CI95", "95%");
        grid->addWidget(ci95_, 0, 0, 1, 2);
        userLabel_ = new QLabel("Other %", box);
        user_ = Number("CIUser");
        userLabel_->setBuddy(user_);
        grid->addWidget(userLabel_, 1, 0);
        grid->addWidget(user_, 1, 1);
        ciType_ = Radios("CITypeRadio", {{0, "t-Test"}, {1, "Normal (requires std. dev.)"}});
        grid->addWidget(ciType_[0], 2, 0, 1, 2);
        grid->addWidget(ciType_[1], 3, 0, 1, 2);
        stdDevLabel_ = new QLabel("Std. Dev.", box);
        stdDev_ = Number("CIStdDev");
        stdDevLabel_->setBuddy(stdDev_);
        grid->addWidget(stdDevLabel_, 4, 0);
        grid->addWidget(stdDev_, 4, 1);
        v->addLayout(grid);
        v->addStretch(1);
        return box;
    }

    QGroupBox* TTest() {
        auto* box = new QGroupBox(this);
        auto* v = new QVBoxLayout(box);
        tTest_ = Check("TTestMean", "t-test &vs. Mean");
        v->addWidget(tTest_);
        auto* h = new QHBoxLayout;
        h->setContentsMargins(24, 0, 0, 0);
        meanLabel_ = new QLabel("Mean to Test:", box);
        mean_ = Number("TTestValue");
        meanLabel_->setBuddy(mean_);
        h->addWidget(meanLabel_);
        h->addWidget(mean_);
        v->addLayout(h);
        return box;
    }

    QGroupBox* Frequency() {
        auto* box = new QGroupBox(tr("Frequency Distribution"), this);
        auto* v = new QVBoxLayout(box);
        auto* h = new QHBoxLayout;
        freqN_ = Check("FreqN", tr("Frequency &Count"));
        freqP_ = Check("FreqP", tr("Frequency &Percent"));
        h->addWidget(freqN_);
        h->addWidget(freqP_);
        h->addStretch(1);
        v->addLayout(h);
        freq_ = AddFrequencyGroup(*this, QString(), true);
        v->addWidget(freq_.group);
        return box;
    }

    void UpdateEnabled() override {
        const bool varStd = varStd_->isChecked();
        methodLabel_->setEnabled(varStd);
        for (QRadioButton* r : method_) r->setEnabled(varStd);
        for (QRadioButton* r : percentileType_) r->setEnabled(percentile_->isChecked());

        const bool ci = ci_->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(ci95_), static_cast<QWidget*>(userLabel_),
                           static_cast<QWidget*>(user_)})
            w->setEnabled(ci);
        for (QRadioButton* r : ciType_) r->setEnabled(ci);
        const bool normal = ci && ciType_[1]->isChecked();
        stdDevLabel_->setEnabled(normal);
        stdDev_->setEnabled(normal);

        meanLabel_->setEnabled(tTest_->isChecked());
        mean_->setEnabled(tTest_->isChecked());

        EnableFrequencyGroup(freq_, freqN_->isChecked() || freqP_->isChecked(),
                             freq_.grouping[1]->isChecked());
    }

    std::optional<scenario::Refusal> PageRefusal() const override {
        if (auto r = scenario::CheckDescribe(draft_)) return r;
        if (draft_.flag("FreqN") || draft_.flag("FreqP")) return scenario::CheckFrequency(draft_);
        return std::nullopt;
    }

    QWidget* FocusFor(const scenario::Refusal& r) const override {
        // The duplicate level is the one typed in.
        if (r.choices.empty() && ci_->isChecked()) return user_;
        return BoundPage::FocusFor(r);
    }

    QCheckBox *varStd_ = nullptr, *percentile_ = nullptr, *ci_ = nullptr, *ci95_ = nullptr;
    QCheckBox *tTest_ = nullptr, *freqN_ = nullptr, *freqP_ = nullptr;
    std::vector<QRadioButton*> method_, percentileType_, ciType_;
    QLabel *methodLabel_ = nullptr, *userLabel_ = nullptr, *stdDevLabel_ = nullptr;
    QLabel* meanLabel_ = nullptr;
    QLineEdit *user_ = nullptr, *stdDev_ = nullptr, *mean_ = nullptr;
    FrequencyControls freq_;
};

}  // namespace

OptionsPage* NewDescribeOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new DescribeOptions(d, p, parent);
}

}  // namespace qrv::designer
