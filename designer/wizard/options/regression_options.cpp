// The Regression options: simple, multiple or polynomial (with its order),
// the Y-intercept, the analysis-of-variance columns and the residual table.
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/wizard/options/bound_page.h"
#include "designer/wizard/options/options_pages.h"

namespace qrv::designer {

namespace {

class RegressionOptions final : public BoundPage {
  public:
    RegressionOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent)
        : BoundPage(d, p, OptionsCaption("Regression"), parent) {
        auto* v = new QVBoxLayout(this);
        auto* box = new QGroupBox(tr("Regression Type"), this);
        auto* inner = new QVBoxLayout(box);
        type_ = Radios("RegressType", {{0, tr("&Simple (Y on each X field)")},
                                       {1, tr("&Multiple (Y on all X fields)")},
                                       {2, tr("&Polynomial (Y on powers of each X field)")}});
        for (QRadioButton* r : type_) inner->addWidget(r);
        auto* order = new QHBoxLayout;
        order->setContentsMargins(24, 0, 0, 0);
        orderLabel_ = new QLabel(tr("&Order:"), box);
        order_ = Number("RPoly");
        order_->setMaximumWidth(order_->fontMetrics().horizontalAdvance("0000000"));
        orderLabel_->setBuddy(order_);
        orderRange_ = new QLabel(tr("(2 to 9)"), box);
        order->addWidget(orderLabel_);
        order->addWidget(order_);
        order->addWidget(orderRange_);
        order->addStretch(1);
        inner->addLayout(order);
        v->addWidget(box);

        auto* output = new QGroupBox(tr("Output"), this);
        auto* out = new QVBoxLayout(output);
        out->addWidget(Check("RYInt", tr("&Y-Intercept (clear to fit through the origin)")));
        out->addWidget(Check("RANova", tr("&ANOVA table")));
        out->addWidget(Check("Residual", tr("&Residual table")));
        v->addWidget(output);
        v->addStretch(1);
    }

  private:
    void UpdateEnabled() override {
        const bool poly = type_[2]->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(orderLabel_), static_cast<QWidget*>(order_),
                           static_cast<QWidget*>(orderRange_)})
            w->setEnabled(poly);
    }
    // An empty order would fit a polynomial of no degree.
    std::optional<scenario::Refusal> PageRefusal() const override {
        if (type_[2]->isChecked() && draft_.option("RPoly").isNull())
            return scenario::Refusal{
                {}, "Please enter a number between 2 and 9.", "Set", {"RPoly"}};
        return std::nullopt;
    }

    std::vector<QRadioButton*> type_;
    QLabel *orderLabel_ = nullptr, *orderRange_ = nullptr;
    QLineEdit* order_ = nullptr;
};

}  // namespace

OptionsPage* NewRegressionOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent) {
    return new RegressionOptions(d, p, parent);
}

}  // namespace qrv::designer
