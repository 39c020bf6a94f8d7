#include "designer/frame/options_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "designer/app_state.h"

namespace qrv::designer {

OptionsDialog::OptionsDialog(AppState& app, QWidget* parent)
    : QDialog(parent), app_(app), prefix_(new QLineEdit(this)) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    prefix_->setObjectName("txtOutputTablePrefix");
    prefix_->setText(QString::fromStdString(app_.OutputTablePrefix()));
    prefix_->setMinimumWidth(prefix_->fontMetrics().averageCharWidth() * 28);
    auto* label = new QLabel("Default Output Table Prefix:", this);
    label->setBuddy(prefix_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::onOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(label, prefix_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void OptionsDialog::onOk() {
    app_.SettingsA().WriteEntry(kOutputPrefixSetting, prefix_->text().trimmed().toStdString());
    accept();
}

}  // namespace qrv::designer
