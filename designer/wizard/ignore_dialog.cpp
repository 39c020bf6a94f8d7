#include "designer/wizard/ignore_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <optional>

#include "designer/app_state.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

QLineEdit* numberBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    // Digits, one sign, one point and an exponent: the keys a number needs.
    static const QRegularExpression kNumber(QStringLiteral(R"([-+]?\d*\.?\d*([eE][-+]?\d*)?)"));
    box->setValidator(new QRegularExpressionValidator(kNumber, box));
    return box;
}

QString showNumber(const dao::Value& v) {
    return v.isNull() ? QString() : QString::number(v.asDouble(), 'g', 15);
}

// The box's number; nothing for an empty box or one that holds no number
// yet (a lone sign or point).
std::optional<double> number(const QLineEdit* box) {
    bool ok = false;
    const double v = box->text().trimmed().toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

dao::Value toValue(std::optional<double> v) {
    return v ? dao::Value::real(*v) : dao::Value();
}

}  // namespace

IgnoreDialog::IgnoreDialog(scenario::ScenarioDraft& draft, Prompter& prompter, QWidget* parent)
    : QDialog(parent), draft_(draft), prompter_(prompter) {
    setObjectName(QStringLiteral("frmIgnore"));
    setWindowTitle(QStringLiteral("Specify Data Values to Ignore"));
    all_ = new QRadioButton(QStringLiteral("Analyze &All values (do not ignore any values)"), this);
    equal_ = new QRadioButton(QStringLiteral("Ignore a &Specific Value"), this);
    range_ = new QRadioButton(QStringLiteral("Ignore a &Range of Values:"), this);
    all_->setObjectName(QStringLiteral("optIgnore_0"));
    equal_->setObjectName(QStringLiteral("optIgnore_1"));
    range_->setObjectName(QStringLiteral("optIgnore_2"));
    equalBox_ = numberBox("txtEqual", this);
    lowBox_ = numberBox("txtLessThan", this);
    highBox_ = numberBox("txtGreaterThan", this);

    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 24);
    grid->addWidget(all_, 0, 0, 1, 3);
    grid->addWidget(equal_, 1, 0, 1, 3);
    auto* equalLabel = new QLabel(QStringLiteral("(=):"), this);
    equalLabel->setBuddy(equalBox_);
    grid->addWidget(equalLabel, 2, 1);
    grid->addWidget(equalBox_, 2, 2);
    grid->addWidget(range_, 3, 0, 1, 3);
    auto* lowLabel = new QLabel(QStringLiteral("Less Than (<):"), this);
    lowLabel->setBuddy(lowBox_);
    grid->addWidget(lowLabel, 4, 1);
    grid->addWidget(lowBox_, 4, 2);
    auto* highLabel = new QLabel(QStringLiteral("Greater Than (>):"), this);
    highLabel->setBuddy(highBox_);
    grid->addWidget(highLabel, 5, 1);
    grid->addWidget(highBox_, 5, 2);
    grid->setColumnStretch(2, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    // Wide enough for the whole title beside the title bar's icon and buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + kTitleBarExtra);

    if (draft_.missingType == "1") {
        equal_->setChecked(true);
        equalBox_->setText(showNumber(draft_.missingEqual));
    } else if (draft_.missingType == "2") {
        range_->setChecked(true);
        lowBox_->setText(showNumber(draft_.missingLow));
        highBox_->setText(showNumber(draft_.missingHigh));
    } else {
        all_->setChecked(true);
    }
    for (QRadioButton* b : {all_, equal_, range_})
        connect(b, &QRadioButton::toggled, this, &IgnoreDialog::enableBoxes);
    enableBoxes();
}

void IgnoreDialog::enableBoxes() {
    equalBox_->setEnabled(equal_->isChecked());
    lowBox_->setEnabled(range_->isChecked());
    highBox_->setEnabled(range_->isChecked());
}

bool IgnoreDialog::tryAccept() {
    // The rule as the boxes give it, checked by the same rule as every
    // other way of authoring a scenario before it replaces the stored one.
    scenario::ScenarioDraft rule;
    if (equal_->isChecked()) {
        rule.missingType.assign(1, '1');  // (assign: GCC 12 warns falsely on = "1")
        rule.missingEqual = toValue(number(equalBox_));
    } else if (range_->isChecked()) {
        rule.missingType.assign(1, '2');
        rule.missingLow = toValue(number(lowBox_));
        rule.missingHigh = toValue(number(highBox_));
    }
    if (auto refused = scenario::CheckIgnore(rule)) {
        prompter_.inform(kAppTitle, refused->message);
        QLineEdit* atFault = equalBox_;
        // A range fails with both bounds missing, or with both given in the wrong order.
        if (range_->isChecked()) atFault = rule.missingLow.isNull() ? lowBox_ : highBox_;
        atFault->setFocus();
        return false;
    }
    // The boxes the chosen rule does not use are cleared.
    if (!equal_->isChecked()) equalBox_->clear();
    if (!range_->isChecked()) {
        lowBox_->clear();
        highBox_->clear();
    }
    if (equal_->isChecked())
        scenario::SetIgnoreEqual(draft_, rule.missingEqual.asDouble());
    else if (range_->isChecked())
        scenario::SetIgnoreRange(draft_, number(lowBox_), number(highBox_));
    else
        scenario::SetIgnoreNone(draft_);
    accept();
    return true;
}

}  // namespace qrv::designer
