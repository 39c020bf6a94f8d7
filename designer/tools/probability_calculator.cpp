#include "designer/tools/probability_calculator.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <cmath>
#include <exception>
#include <optional>

#include "designer/tools/number_format.h"
#include "engine/quorvane.h"
#include "util/help_button.h"

namespace qrv::designer::tools {

namespace {

constexpr std::array<const char*, 4> kCaptions = {"&Z-Value", "&t-Value", "Chi-&Square",
                                                  "&F-Value"};
constexpr std::array<const char*, 4> kNames = {"Z-Value", "t-Value", "Chi-Square", "F-Value"};

// A number as the user may type it: in the user's own notation or the plain
// C one, with blanks around it.
std::optional<double> parseNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    double v = QLocale().toDouble(t, &ok);
    if (!ok) v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

// The width a line edit needs to show sample whole, with its frame and its
// inner margins.
int lineEditWidthFor(const QLineEdit& box, const char* sample) {
    const QMargins m = box.textMargins();
    // QLineEdit keeps a further 2 pixels each side of its text.
    const int text = box.fontMetrics().horizontalAdvance(QString::fromLatin1(sample)) + m.left() +
                     m.right() + 2 * 2 + 1;
    QStyleOptionFrame opt;
    opt.initFrom(&box);
    opt.lineWidth = box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &box);
    return box.style()
        ->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(text, box.fontMetrics().height()), &box)
        .width();
}

}  // namespace

// The engine reports bad arguments of its probability functions as messages;
// the calculator catches them to show under its own heading.
class ProbabilityCalculator::CapturingPrompter final : public Prompter {
  public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void inform(const std::string&, const std::string& text) override { note(text); }
    void critical(const std::string&, const std::string& text) override { note(text); }
    void beep() override {}
    std::string take() { return std::exchange(text_, {}); }

  private:
    void note(const std::string& text) {
        if (text_.empty()) text_ = text;
    }
    std::string text_;
};

ProbabilityCalculator::ProbabilityCalculator(AppState& app, QWidget* parent)
    : QDialog(parent),
      app_(app),
      engineMessages_(std::make_unique<CapturingPrompter>()),
      engine_(std::make_unique<Quorvane>(engineMessages_.get())) {
    engine_->SetShowErrors(true);  // its messages come to engineMessages_
    setObjectName("frmQuorvane_Calculator");
    setWindowTitle("Probability Calculator");
    setModal(false);

    auto* typeFrame = new QGroupBox("Probability Type", this);
    typeFrame->setObjectName("fraProbType");
    auto* typeLayout = new QVBoxLayout(typeFrame);
    for (int i = 0; i < 4; ++i) {
        optProbType_[i] = new QRadioButton(kCaptions[i], typeFrame);
        optProbType_[i]->setObjectName(QString("optProbType_%1").arg(i));
        typeLayout->addWidget(optProbType_[i]);
        connect(optProbType_[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on) onTypeChanged();
        });
    }
    typeLayout->addStretch();

    auto* valueFrame = new QGroupBox("Test Values", this);
    valueFrame->setObjectName("fraTestValues");
    auto* grid = new QGridLayout(valueFrame);
    lblTestValue_ = new QLabel(valueFrame);
    txtTestValue_ = new QLineEdit(valueFrame);
    txtTestValue_->setObjectName("txtTestValue");
    lblDF1_ = new QLabel(valueFrame);
    txtDF1_ = new QLineEdit(valueFrame);
    txtDF1_->setObjectName("txtDF1");
    lblDF2_ = new QLabel("Degrees of Freedom #2:", valueFrame);
    txtDF2_ = new QLineEdit(valueFrame);
    txtDF2_->setObjectName("txtDF2");
    // Degrees of freedom are whole counts: digits only, as many as the box
    // shows in full.
    const QRegularExpression digits("[0-9]{0,9}");
    for (QLineEdit* df : {txtDF1_, txtDF2_}) {
        df->setValidator(new QRegularExpressionValidator(digits, df));
        df->setMinimumWidth(lineEditWidthFor(*df, "999999999"));
    }
    txtTestValue_->setMinimumWidth(lineEditWidthFor(*txtTestValue_, "-0.000000000000"));
    lblTestValue_->setBuddy(txtTestValue_);
    lblDF1_->setBuddy(txtDF1_);
    lblDF2_->setBuddy(txtDF2_);
    grid->addWidget(lblTestValue_, 0, 0);
    grid->addWidget(txtTestValue_, 0, 1);
    grid->addWidget(lblDF1_, 1, 0);
    grid->addWidget(txtDF1_, 1, 1);
    grid->addWidget(lblDF2_, 2, 0);
    grid->addWidget(txtDF2_, 2, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);

    lblResultCaption_ = new QLabel(this);
    lblResultCaption_->setObjectName("lblResultCaption");
    lblProbability_ = new QLabel(this);
    lblProbability_->setObjectName("lblProbability");
    lblProbability_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblProbability_->setFrameShape(QFrame::StyledPanel);
    lblProbability_->setFrameShadow(QFrame::Sunken);
    lblProbability_->setMinimumWidth(fontMetrics().horizontalAdvance("0.00000000000000000000"));
    lblHint_ = new QLabel("(0 to 1)", this);
    lblHint_->setObjectName("lblHint");
    auto* resultRow = new QHBoxLayout;
    resultRow->addWidget(lblResultCaption_);
    resultRow->addWidget(lblProbability_, 1);
    resultRow->addWidget(lblHint_);

    auto* cmdCalculate = new QPushButton("&Calculate", this);
    cmdCalculate->setObjectName("cmdCalculate");
    cmdCalculate->setDefault(true);
    auto* cmdInverse = new QPushButton("&Inverse", this);
    cmdInverse->setObjectName("cmdInverse");
    auto* cmdClose = new QPushButton("C&lose", this);
    cmdClose->setObjectName("cmdClose");
    auto* cmdHelp = util::MakeHelpButton(this, [this] {
        if (app_.Actions().showHelp) app_.Actions().showHelp();
    });
    for (QPushButton* b : {cmdInverse, cmdClose, cmdHelp}) b->setAutoDefault(false);
    connect(cmdCalculate, &QPushButton::clicked, this, &ProbabilityCalculator::calculate);
    connect(cmdInverse, &QPushButton::clicked, this, &ProbabilityCalculator::inverse);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdCalculate, cmdInverse, cmdClose, cmdHelp}) buttons->addWidget(b);
    buttons->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(typeFrame);
    top->addWidget(valueFrame, 1);
    top->addLayout(buttons);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(resultRow);

    // An edited value makes the shown result stale.
    for (QLineEdit* box : {txtTestValue_, txtDF1_, txtDF2_})
        connect(box, &QLineEdit::textEdited, lblProbability_, &QLabel::clear);

    setTabOrder(optProbType_[0], txtTestValue_);
    setTabOrder(txtTestValue_, txtDF1_);
    setTabOrder(txtDF1_, txtDF2_);
    setTabOrder(txtDF2_, cmdCalculate);
    setTabOrder(cmdCalculate, cmdInverse);
    setTabOrder(cmdInverse, cmdClose);
    setTabOrder(cmdClose, cmdHelp);

    optProbType_[0]->setChecked(true);
    setMode(false);
    txtTestValue_->setFocus();
}

ProbabilityCalculator::~ProbabilityCalculator() = default;

ProbabilityCalculator::ProbType ProbabilityCalculator::probType() const {
    for (int i = 0; i < 4; ++i)
        if (optProbType_[i]->isChecked()) return static_cast<ProbType>(i);
    return ProbType::Z;
}

void ProbabilityCalculator::setProbType(ProbType type) {
    optProbType_[static_cast<int>(type)]->setChecked(true);
}

QString ProbabilityCalculator::result() const {
    return lblProbability_->text();
}

void ProbabilityCalculator::onTypeChanged() {
    const ProbType t = probType();
    const bool df1 = t != ProbType::Z;
    const bool df2 = t == ProbType::F;
    lblDF1_->setVisible(df1);
    txtDF1_->setVisible(df1);
    lblDF2_->setVisible(df2);
    txtDF2_->setVisible(df2);
    lblDF1_->setText(df2 ? "Degrees of Freedom #1:" : "Degrees of Freedom:");
    lblProbability_->clear();
    setMode(inverseMode_);
}

// Labels follow the mode of the last calculation: the value box holds a
// probability in inverse mode, and the result is then the test value.
void ProbabilityCalculator::setMode(bool inverseMode) {
    inverseMode_ = inverseMode;
    const QString name = QString(kNames[static_cast<int>(probType())]) + ":";
    lblTestValue_->setText(inverseMode ? "Probability (0 to 1):" : name);
    lblResultCaption_->setText(inverseMode ? name : "Probability:");
    lblHint_->setVisible(!inverseMode);
}

void ProbabilityCalculator::calculate() {
    compute(false);
}

void ProbabilityCalculator::inverse() {
    compute(true);
}

void ProbabilityCalculator::refuse(const std::string& text, QLineEdit* box) {
    app_.Prompts().critical(kAppTitle, text);
    box->setFocus();
    box->selectAll();
}

void ProbabilityCalculator::compute(bool inverseMode) {
    const std::optional<double> value = parseNumber(txtTestValue_->text());
    if (!value) {
        refuse("The test value must be numeric.", txtTestValue_);
        return;
    }
    setMode(inverseMode);
    lblProbability_->clear();
    const ProbType t = probType();
    if (inverseMode) {
        if (!(*value > 0 && *value < 1)) {
            refuse("Probabilty value must be greater than zero and less than one.", txtTestValue_);
            return;
        }
    } else if ((t == ProbType::Z || t == ProbType::ChiSquare) && !(*value > 0)) {
        refuse("Test value must be greater than zero.", txtTestValue_);
        return;
    }

    double df1 = 0, df2 = 0;
    for (QLineEdit* box : {txtDF1_, txtDF2_}) {
        if (box->isHidden()) continue;
        const std::optional<double> df = parseNumber(box->text());
        if (!df || *df < 1) {
            // Without this the engine would answer 0 for a missing count.
            refuse("Degrees of freedom must be a whole number greater than zero.", box);
            return;
        }
        (box == txtDF1_ ? df1 : df2) = *df;
    }

    const std::string type(1, "ZTCF"[static_cast<int>(t)]);
    double r = 0;
    std::string failure;
    try {
        r = inverseMode ? engine_->ProbInverse(type, *value, df1, df2)
                        : engine_->Probability(type, *value, df1, df2);
        failure = engineMessages_->take();
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty()) {
        app_.Prompts().critical(kAppTitle, "Error running probability calculator: " + failure);
        return;
    }
    lblProbability_->setText(QString::fromStdString(FormatProbability(r)));
}

void OpenCalculator(AppState& app, QWidget* parent) {
    // One calculator per frame: a second request brings the open one forward.
    if (parent)
        if (auto* open = parent->findChild<ProbabilityCalculator*>("frmQuorvane_Calculator",
                                                                   Qt::FindDirectChildrenOnly)) {
            open->show();
            open->raise();
            open->activateWindow();
            return;
        }
    auto* calc = new ProbabilityCalculator(app, parent);
    calc->setAttribute(Qt::WA_DeleteOnClose);
    calc->show();
}

}  // namespace qrv::designer::tools
