#include "designer/wizard/finish_page.h"

#include <QFormLayout>
#include <QVBoxLayout>

#include "dataaccess/fold.h"
#include "scenario/analysis_types.h"
#include "scenario/output_names.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

FinishPage::FinishPage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent)
    : WizardPage(app, draft, parent) {
    type_ = new QLabel;
    type_->setObjectName(QStringLiteral("lblAnalysisType"));
    description_ = new QLineEdit;
    description_->setObjectName(QStringLiteral("txtDescription"));
    description_->setMaxLength(255);
    connect(description_, &QLineEdit::textChanged, this, [this](const QString& text) {
        draft_.description = text.toStdString();
        emit changed();
    });
    auto* about = new QFormLayout;
    about->addRow(tr("Analysis type:"), type_);
    auto* descriptionLabel = new QLabel(QStringLiteral("Description:"));
    descriptionLabel->setBuddy(description_);
    about->addRow(descriptionLabel, description_);

    frame_ = new QGroupBox;
    frame_->setObjectName(QStringLiteral("fraOutput"));
    auto* names = new QFormLayout(frame_);
    names->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (int i = 0; i < 2; ++i) {
        label_[i] = new QLabel;
        label_[i]->setObjectName(QStringLiteral("lblOutput_%1").arg(i));
        name_[i] = new QLineEdit;
        name_[i]->setObjectName(QStringLiteral("txtOutput_%1").arg(i));
        name_[i]->setMaxLength(i == 0 ? 50 : 64);  // the widths of the two columns
        label_[i]->setBuddy(name_[i]);
        names->addRow(label_[i], name_[i]);
        std::string& target = i == 0 ? draft_.output1 : draft_.output2;
        connect(name_[i], &QLineEdit::textChanged, this, [this, &target](const QString& text) {
            target = text.trimmed().toStdString();
            emit changed();
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(about);
    layout->addWidget(frame_);
    layout->addStretch();
}

QString FinishPage::Caption() const {
    return QStringLiteral("Zelk Statistics Output Tables and Description");
}

void FinishPage::Load() {
    const scenario::AnalysisType* type = scenario::FindAnalysisType(draft_.subtype);
    // Empty names are proposed from the program's prefix and the analysis.
    scenario::DefaultOutputNames(draft_, app_.OutputTablePrefix());
    const bool two = type && scenario::HasSecondOutput(*type, draft_);
    // A detail table switched off on the options page keeps its box, greyed
    // and empty, so that the user sees where the name would go.
    const bool shown = two || (type && type->second == scenario::SecondOutput::WithDetail);
    type_->setText(QString::fromStdString(draft_.subtype));
    frame_->setTitle(shown ? QStringLiteral("Output Tables") : QStringLiteral("Output Table"));
    const char* labels[2] = {type ? type->label1 : "", shown ? type->label2 : ""};
    const std::string* values[2] = {&draft_.output1, &draft_.output2};
    for (int i = 0; i < 2; ++i) {
        const QSignalBlocker block(name_[i]);
        label_[i]->setText(QStringLiteral("Name for %1 output table: ").arg(labels[i]));
        name_[i]->setText(QString::fromStdString(*values[i]));
        label_[i]->setVisible(i == 0 || shown);
        name_[i]->setVisible(i == 0 || shown);
        label_[i]->setEnabled(i == 0 || two);
        name_[i]->setEnabled(i == 0 || two);
    }
    name_[1]->setPlaceholderText(
        two || !shown ? QString() : QStringLiteral("none: \"Create detail table\" is off"));
    const QSignalBlocker block(description_);
    description_->setText(QString::fromStdString(draft_.description));
    name_[0]->setFocus();
}

bool FinishPage::CheckPage() {
    auto refused = scenario::CheckFinal(draft_);
    if (!refused) return checkAgainstTheDatabase();
    tell(refused->Text());
    // The second name is at fault when it is missing, repeats the first, or
    // is the name refused.
    const bool second = !draft_.output1.empty() &&
                        (refused->message.find("Second") == 0 ||
                         refused->message.find("must not be the same") != std::string::npos ||
                         (!draft_.output2.empty() && refused->subject == draft_.output2) ||
                         (!draft_.output2.empty() &&
                          refused->message.find("[" + draft_.output2 + "]") != std::string::npos));
    QLineEdit* atFault = second ? name_[1] : name_[0];
    atFault->setFocus();
    atFault->selectAll();
    return false;
}

void FinishPage::focusName(const std::string& name) {
    QLineEdit* atFault =
        !draft_.output2.empty() && dao::iequal(name, draft_.output2) ? name_[1] : name_[0];
    atFault->setFocus();
    atFault->selectAll();
}

bool FinishPage::checkAgainstTheDatabase() {
    // The rules a run applies: nothing the scenario reads, no stored query,
    // and a table that no run of this scenario wrote only when the user
    // confirms it as data. Saving replaces nothing; the run does, later.
    scenario::OutputNameRequest request;
    request.output1 = draft_.output1;
    request.output2 = draft_.output2;
    request.input = draft_.input;
    if (draft_.id != 0) request.owner = scenario::OutputOwnerTag(draft_.id);
    const scenario::OutputNameCheck check =
        scenario::CheckOutputNames(app_.CurrentDatabase(), request);
    if (check.refused()) {
        tell(check.refusal);
        const bool second = !draft_.output2.empty() &&
                            check.refusal.find("[" + draft_.output2 + "]") != std::string::npos;
        focusName(second ? draft_.output2 : draft_.output1);
        return false;
    }
    if (check.foreign.empty() ||
        app_.Prompts().askDestructive(kAppTitle, scenario::ReplaceDataQuestion(check.foreign)))
        return true;
    focusName(check.foreign.front());
    return false;
}

}  // namespace qrv::designer
