#include "designer/tools/code_generator_dialog.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "scenario/scenario_author.h"
#include "util/fonts.h"
#include "util/help_button.h"

namespace qrv::designer::tools {

namespace {

// A group of two exclusive choices, named name_0 and name_1.
QGroupBox* choiceGroup(const QString& title, const QString& name, const char* first,
                       const char* second, std::array<QRadioButton*, 2>& buttons, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    const char* captions[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        buttons[i] = new QRadioButton(captions[i], box);
        buttons[i]->setObjectName(QString("%1_%2").arg(name).arg(i));
        layout->addWidget(buttons[i]);
    }
    buttons[0]->setChecked(true);
    layout->addStretch();
    return box;
}

}  // namespace

CodeGeneratorDialog::CodeGeneratorDialog(AppState& app, CodeInput input, QWidget* parent)
    : QDialog(parent), app_(app), input_(std::move(input)) {
    setObjectName("frmGenerateCode");
    setWindowTitle("Generate VB Code");

    txtCode_ = new QPlainTextEdit(this);
    txtCode_->setObjectName("txtCode");
    txtCode_->setReadOnly(true);
    txtCode_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The generated lines are indented and continued in columns.
    const QFont font = util::FixedPitchFont();
    txtCode_->setFont(font);
    const QFontMetrics fm(font);
    txtCode_->setMinimumSize(fm.horizontalAdvance(QString(72, 'x')), fm.lineSpacing() * 28);

    styleFrame_ =
        choiceGroup("Code &Style", "optCodeStyle", "Properties", "Arguments", optCodeStyle_, this);
    auto* detailFrame = choiceGroup("Code &Detail", "optDefaults", "Take Defaults",
                                    "Specify all Properties", optDefaults_, this);
    dbFrame_ = choiceGroup("Database Open Method", "optDBMethod", "Use Object Variable", "Use Path",
                           optDBMethod_, this);

    auto* langLabel = new QLabel("&Language:", this);
    cboLanguage_ = new QComboBox(this);
    cboLanguage_->setObjectName("cboLanguage");
    cboLanguage_->addItems({"Visual Basic", "C++", "Command line"});
    langLabel->setBuddy(cboLanguage_);
    auto* langBox = new QVBoxLayout;
    langBox->addWidget(langLabel);
    langBox->addWidget(cboLanguage_);
    langBox->addStretch();

    auto* cmdCopy = new QPushButton("&Copy", this);
    cmdCopy->setObjectName("cmdToClipboard");
    auto* cmdClose = new QPushButton("C&lose", this);
    cmdClose->setObjectName("cmdClose");
    cmdClose->setDefault(true);
    auto* cmdHelp = util::MakeHelpButton(this, [this] {
        if (app_.Actions().showHelp) app_.Actions().showHelp();
    });
    connect(cmdCopy, &QPushButton::clicked, this, &CodeGeneratorDialog::copyToClipboard);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdCopy, cmdClose, cmdHelp}) buttons->addWidget(b);
    buttons->addStretch();

    auto* options = new QHBoxLayout;
    options->addWidget(styleFrame_);
    options->addWidget(detailFrame);
    options->addWidget(dbFrame_);
    options->addLayout(langBox);
    options->addStretch();
    options->addLayout(buttons);

    auto* main = new QVBoxLayout(this);
    main->addWidget(txtCode_, 1);
    main->addLayout(options);

    for (auto* group : {&optCodeStyle_, &optDefaults_, &optDBMethod_})
        for (QRadioButton* b : *group)
            connect(b, &QRadioButton::toggled, this, [this](bool on) {
                if (on) regenerate();
            });
    connect(cboLanguage_, &QComboBox::currentIndexChanged, this, [this] { regenerate(); });

    setTabOrder(txtCode_, optCodeStyle_[0]);
    setTabOrder(optCodeStyle_[0], optCodeStyle_[1]);
    setTabOrder(optCodeStyle_[1], optDefaults_[0]);
    setTabOrder(optDefaults_[0], optDefaults_[1]);
    setTabOrder(optDefaults_[1], optDBMethod_[0]);
    setTabOrder(optDBMethod_[0], optDBMethod_[1]);
    setTabOrder(optDBMethod_[1], cboLanguage_);
    setTabOrder(cboLanguage_, cmdCopy);
    setTabOrder(cmdCopy, cmdClose);
    setTabOrder(cmdClose, cmdHelp);
    regenerate();
}

CodeOptions CodeGeneratorDialog::options() const {
    CodeOptions o;
    o.style = optCodeStyle_[1]->isChecked() ? CodeStyle::Arguments : CodeStyle::Properties;
    o.detail = optDefaults_[1]->isChecked() ? CodeDetail::SpecifyAll : CodeDetail::TakeDefaults;
    o.db = optDBMethod_[1]->isChecked() ? DbMethod::Path : DbMethod::ObjectVariable;
    o.language = static_cast<CodeLanguage>(cboLanguage_->currentIndex());
    return o;
}

void CodeGeneratorDialog::setOptions(const CodeOptions& o) {
    optCodeStyle_[o.style == CodeStyle::Arguments]->setChecked(true);
    optDefaults_[o.detail == CodeDetail::SpecifyAll]->setChecked(true);
    optDBMethod_[o.db == DbMethod::Path]->setChecked(true);
    cboLanguage_->setCurrentIndex(static_cast<int>(o.language));
}

void CodeGeneratorDialog::regenerate() {
    const CodeOptions o = options();
    optDefaults_[1]->setText(QString::fromStdString(DetailCaption(o.style)));
    // The command line has no properties and never opens the database itself.
    const bool commandLine = o.language == CodeLanguage::CommandLine;
    styleFrame_->setEnabled(!commandLine);
    dbFrame_->setEnabled(!commandLine);
    code_ = GenerateCode(input_, o);
    QString shown = QString::fromStdString(code_);
    shown.replace("\r\n", "\n");
    txtCode_->setPlainText(shown);
}

void CodeGeneratorDialog::copyToClipboard() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(code_));
}

void OpenCodeGenerator(AppState& app, std::int32_t scenario, QWidget* parent) {
    if (!app.HasDatabase()) return;
    auto draft = scenario::LoadDraft(app.CurrentDatabase(), scenario);
    if (!draft) {
        app.Prompts().critical(kAppTitle, draft.error().description);
        return;
    }
    CodeInput in;
    in.dbPath = app.CurrentDatabase().Name();
    in.scenario = scenario;
    in.description = draft->description;
    in.input = draft->input;
    in.output1 = draft->output1;
    in.output2 = draft->output2;
    auto* dlg = new CodeGeneratorDialog(app, std::move(in), parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->open();
}

}  // namespace qrv::designer::tools
