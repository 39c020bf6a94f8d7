#include "designer/frame/open_database_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "designer/app_state.h"
#include "designer/frame/file_checks.h"
#include "designer/frame/logon_tag.h"
#include "errors/prompter.h"
#include "util/file_dialogs.h"

namespace qrv::designer {

std::string NotFoundMessage(const std::string& kind, const std::string& path) {
    return "Cannot locate a " + kind + " named '" + path + "'\r\n\r\n" +
           "Be sure that you have typed the path to the database correctly, or use the Browse "
           "button to locate the database";
}

OpenDatabaseDialog::OpenDatabaseDialog(const std::vector<CMRU::Entry>& recent, bool savePassword,
                                       util::FileChooser& chooser, Prompter& prompter,
                                       QWidget* parent)
    : QDialog(parent), recent_(recent), chooser_(chooser), prompter_(prompter) {
    setObjectName("frmOpenDatabase");
    setWindowTitle("Open Scenario Database");

    database_ = new QComboBox(this);
    database_->setObjectName("cboDatabase");
    database_->setEditable(true);
    database_->setInsertPolicy(QComboBox::NoInsert);
    database_->setMinimumContentsLength(40);
    database_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* databaseLabel = new QLabel("&Database to Analyze:", this);
    databaseLabel->setBuddy(database_);
    auto* browse = new QPushButton("Browse", this);
    browse->setObjectName("cmdBrowse");
    browse->setAutoDefault(false);

    secured_ = new QCheckBox("Secured Database", this);
    secured_->setObjectName("chkSecured");
    workgroup_ = new QLineEdit(this);
    workgroup_->setObjectName("txtWorkgroup");
    workgroupLabel_ = new QLabel("&Workgroup Security Database:", this);
    workgroupLabel_->setBuddy(workgroup_);
    browseWorkgroup_ = new QPushButton("Browse", this);
    browseWorkgroup_->setObjectName("cmdBrowseWorkgroup");
    browseWorkgroup_->setAutoDefault(false);
    user_ = new QLineEdit(this);
    user_->setObjectName("txtUserID");
    userLabel_ = new QLabel("&User ID:", this);
    userLabel_->setBuddy(user_);
    password_ = new QLineEdit(this);
    password_->setObjectName("txtPassword");
    password_->setEchoMode(QLineEdit::Password);
    passwordLabel_ = new QLabel("&Password:", this);
    passwordLabel_->setBuddy(password_);
    savePassword_ = new QCheckBox("Save Pass&word", this);
    savePassword_->setObjectName("chkSavePassword");
    savePassword_->setChecked(savePassword);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    auto* cancel = new QPushButton("&Cancel", this);
    cancel->setObjectName("cmdCancel");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);

    // Layout: the database row, then the log-on fields grouped under the
    // check box that enables them.
    auto* databaseRow = new QHBoxLayout;
    databaseRow->addWidget(database_, 1);
    databaseRow->addWidget(browse);
    auto* workgroupRow = new QHBoxLayout;
    workgroupRow->addWidget(workgroup_, 1);
    workgroupRow->addWidget(browseWorkgroup_);
    auto* logon = new QFormLayout;
    logon->addRow(workgroupLabel_, workgroupRow);
    logon->addRow(userLabel_, user_);
    logon->addRow(passwordLabel_, password_);
    logon->addRow(QString(), savePassword_);
    auto* securityBox = new QGroupBox(this);
    auto* securityLayout = new QVBoxLayout(securityBox);
    securityLayout->addWidget(secured_);
    securityLayout->addLayout(logon);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(databaseLabel);
    layout->addLayout(databaseRow);
    layout->addWidget(securityBox);
    layout->addStretch();
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    setTabOrder(database_, browse);
    setTabOrder(browse, secured_);
    setTabOrder(secured_, workgroup_);
    setTabOrder(workgroup_, browseWorkgroup_);
    setTabOrder(browseWorkgroup_, user_);
    setTabOrder(user_, password_);
    setTabOrder(password_, savePassword_);
    setTabOrder(savePassword_, ok);
    setTabOrder(ok, cancel);

    connect(secured_, &QCheckBox::toggled, this, &OpenDatabaseDialog::updateEnabled);
    connect(browse, &QPushButton::clicked, this, &OpenDatabaseDialog::browseDatabase);
    connect(browseWorkgroup_, &QPushButton::clicked, this, &OpenDatabaseDialog::browseWorkgroup);
    connect(ok, &QPushButton::clicked, this, &OpenDatabaseDialog::tryAccept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(database_, &QComboBox::activated, this, &OpenDatabaseDialog::chooseRecent);
    connect(database_, &QComboBox::editTextChanged, this, &OpenDatabaseDialog::pathEdited);
    // A log-on the user types is theirs, whatever path they then choose.
    for (QLineEdit* e : {workgroup_, user_, password_})
        connect(e, &QLineEdit::textEdited, this, [this] { logonFrom_ = -1; });
    connect(secured_, &QCheckBox::clicked, this, [this] { logonFrom_ = -1; });

    for (const CMRU::Entry& e : recent_) database_->addItem(QString::fromStdString(e.path));
    if (!recent_.empty()) {
        database_->setCurrentIndex(0);
        chooseRecent(0);
    }
    updateEnabled();
}

void OpenDatabaseDialog::updateEnabled() {
    const bool on = secured_->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{workgroupLabel_, workgroup_, browseWorkgroup_, userLabel_,
                                         user_, passwordLabel_, password_, savePassword_})
        w->setEnabled(on);
}

void OpenDatabaseDialog::chooseRecent(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= recent_.size()) return;
    const LogonInfo logon = ParseLogonTag(recent_[static_cast<std::size_t>(index)].tag);
    workgroup_->setText(QString::fromStdString(logon.workgroup));
    user_->setText(QString::fromStdString(logon.user));
    password_->setText(QString::fromStdString(logon.password));
    secured_->setChecked(!logon.workgroup.empty());
    logonFrom_ = index;
}

void OpenDatabaseDialog::pathEdited(const QString& text) {
    const std::string path = text.trimmed().toStdString();
    for (std::size_t i = 0; i < recent_.size(); ++i)
        if (recent_[i].path == path) {
            if (logonFrom_ != static_cast<int>(i)) chooseRecent(static_cast<int>(i));
            return;
        }
    if (logonFrom_ < 0) return;
    // Another file: the recent entry's workgroup, user and password are not its.
    logonFrom_ = -1;
    workgroup_->clear();
    user_->clear();
    password_->clear();
    secured_->setChecked(false);
}

void OpenDatabaseDialog::browseDatabase() {
    auto path = chooser_.chooseFile(this, "Open Scenario Database", util::DatabaseFilters(),
                                    database_->currentText().toStdString());
    if (path) database_->setEditText(QString::fromStdString(*path));
    database_->setFocus();
}

void OpenDatabaseDialog::browseWorkgroup() {
    auto path = chooser_.chooseFile(this, "Workgroup Security Database", util::WorkgroupFilters(),
                                    workgroup_->text().toStdString());
    if (path) workgroup_->setText(QString::fromStdString(*path));
    workgroup_->setFocus();
}

OpenDatabaseChoice OpenDatabaseDialog::choice() const {
    OpenDatabaseChoice c;
    c.database = database_->currentText().trimmed().toStdString();
    c.secured = secured_->isChecked();
    c.workgroup = workgroup_->text().trimmed().toStdString();
    c.user = user_->text().toStdString();
    c.password = password_->text().toStdString();
    c.savePassword = savePassword_->isChecked();
    return c;
}

bool OpenDatabaseDialog::tryAccept() {
    const OpenDatabaseChoice c = choice();
    if (!FileExists(c.database)) {
        prompter_.inform(kAppTitle, NotFoundMessage("database", c.database));
        database_->setFocus();
        return false;
    }
    if (c.secured && !FileExists(c.workgroup)) {
        prompter_.inform(kAppTitle, NotFoundMessage("workgroup database", c.workgroup));
        workgroup_->setFocus();
        return false;
    }
    accept();
    return true;
}

}  // namespace qrv::designer
