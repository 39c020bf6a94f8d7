#include "designer/wizard/scenario_wizard.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "designer/wizard/fields_page.h"
#include "designer/wizard/finish_page.h"
#include "designer/wizard/table_page.h"
#include "designer/wizard/type_page.h"
#include "scenario/analysis_types.h"
#include "scenario/refusal.h"
#include "scenario/scenario_author.h"
#include "util/help_button.h"

namespace qrv::designer {

namespace {

QPushButton* navButton(const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(text));
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

std::optional<std::string> SaveFailureText(const dao::Error& e, const dao::Database& db) {
    // What the user can mend outside the program; anything else is a fault.
    const bool known = e.number == dao::err::kReadOnly || e.number == dao::err::kDiskFull ||
                       e.number == dao::err::kLocked || e.number == dao::err::kCannotOpen ||
                       e.number == 3043;  // disk or network (I/O) error
    if (!known) return std::nullopt;
    const QFileInfo file(QString::fromStdString(db.Name()));
    const bool readOnly =
        e.number == dao::err::kReadOnly || !db.Updatable() || (file.exists() && !file.isWritable());
    std::string why, mend;
    if (readOnly) {
        why = "the database file is read-only.";
        mend = "Make the file writable";
    } else if (e.number == dao::err::kDiskFull) {
        why = "the disk is full.";
        mend = "Free some space on the disk";
    } else if (e.number == dao::err::kLocked) {
        why = "the database is locked by another program.";
        mend = "Wait until the other program is done";
    } else {
        why = "the database file cannot be written (" + e.description + ").";
        mend = "Check the disk or network the file is on";
    }
    return "The scenario could not be saved: " + why + "\r\n\r\n" + db.Name() +
           "\r\n\r\nNothing was written, and your changes are still in the wizard. " + mend +
           " and press Save again, or Cancel to leave without saving.";
}

ScenarioWizard::ScenarioWizard(AppState& app, scenario::ScenarioDraft draft,
                               OptionsPageFactory pages, QWidget* parent)
    : QDialog(parent), app_(app), draft_(std::move(draft)), makeOptionsPage_(std::move(pages)) {
    setObjectName(QStringLiteral("ScenarioWizard"));
    stack_ = new QStackedWidget;
    back_ = navButton("< &Back", "cmdBack");
    next_ = navButton("&Next >", "cmdNext");
    save_ = navButton("&Save", "cmdSave");
    saveRun_ = navButton("Save and &Run", "cmdSaveRun");
    cancel_ = navButton("Cancel", "cmdCancel");
    connect(back_, &QPushButton::clicked, this, &ScenarioWizard::back);
    connect(next_, &QPushButton::clicked, this, &ScenarioWizard::next);
    connect(save_, &QPushButton::clicked, this, [this] { save(false); });
    connect(saveRun_, &QPushButton::clicked, this, [this] { save(true); });
    connect(cancel_, &QPushButton::clicked, this, &ScenarioWizard::cancel);
    auto* help = util::MakeHelpButton(this, [this] {
        if (app_.Actions().showHelp) app_.Actions().showHelp();
    });
    help->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    for (QPushButton* b : {back_, next_, save_, saveRun_, cancel_}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stack_, 1);
    layout->addLayout(buttons);
    fitToLargestPage();
}

void ScenarioWizard::fitToLargestPage() {
    // Every page the wizard can show is measured once, on a copy of the
    // scenario, so that the window keeps its size and its buttons their
    // place from page to page.
    scenario::ScenarioDraft scratch = draft_;
    QSize largest;
    // The field lists stretch, so the fields pages ask only for their least
    // size: at their preferred one three stacked lists would make the window
    // taller than many screens.
    auto measure = [&largest](QWidget* page, bool stretches = false) {
        largest = largest.expandedTo(page->minimumSizeHint());
        if (!stretches) largest = largest.expandedTo(page->sizeHint());
        delete page;
    };
    measure(new TypePage(app_, scratch));
    measure(new TablePage(app_, scratch));
    for (const scenario::AnalysisType& type : scenario::AnalysisTypes()) {
        scratch.subtype = type.name;
        auto* fields = new FieldsPage(app_, scratch);
        fields->LayOutLists();
        measure(fields, true);
        auto* finish = new FinishPage(app_, scratch);
        // Both output names shown: the longest labels.
        if (type.detailOption) scratch.setOption(type.detailOption, true);
        scratch.setOption("Residual", true);
        scratch.setOption("xChi", true);
        finish->Load();
        measure(finish);
    }
    if (makeOptionsPage_)
        for (int page = 4; page <= 18; ++page)
            if (OptionsPage* o = makeOptionsPage_(page, scratch, app_.Prompts(), nullptr))
                measure(o);
    stack_->setMinimumSize(largest);
    resize(sizeHint());
}

ScenarioWizard::~ScenarioWizard() = default;

bool ScenarioWizard::ShowStatWizard(int startPage) {
    Start(startPage);
    if (!ended_) exec();
    return saved_;
}

void ScenarioWizard::Start(int startPage) {
    ended_ = saved_ = runAfter_ = false;
    showPage(startPage);
}

int ScenarioWizard::optionsPageNumber() const {
    const scenario::AnalysisType* type = scenario::FindAnalysisType(draft_.subtype);
    return type ? type->optionsPage : kNoPage;
}

QWidget* ScenarioWizard::Page(int number) const {
    auto it = pages_.find(number);
    return it == pages_.end() ? nullptr : it->second;
}

QWidget* ScenarioWizard::pageFor(int page) {
    if (QWidget* made = Page(page)) return made;
    QWidget* w = nullptr;
    switch (page) {
        case kTypePage:
            w = new TypePage(app_, draft_);
            break;
        case kTablePage:
            w = new TablePage(app_, draft_);
            break;
        case kFieldsPage:
            w = new FieldsPage(app_, draft_);
            break;
        case kFinishPage:
            w = new FinishPage(app_, draft_);
            break;
        default:
            if (isOptionsPage(page) && makeOptionsPage_)
                if (OptionsPage* o = makeOptionsPage_(page, draft_, app_.Prompts(), nullptr)) {
                    connect(o, &OptionsPage::changed, this, [this] { changed_ = true; });
                    w = o;
                }
            break;
    }
    if (!w) return nullptr;
    if (auto* p = qobject_cast<WizardPage*>(w)) {
        connect(p, &WizardPage::changed, this, [this] { changed_ = true; });
        connect(p, &WizardPage::nextAllowedChanged, this, &ScenarioWizard::updateButtons);
    }
    stack_->addWidget(w);
    pages_[page] = w;
    return w;
}

void ScenarioWizard::showPage(int page) {
    if (page == kOptionsRoute) page = optionsPageNumber();
    QWidget* w = page == kNoPage ? nullptr : pageFor(page);
    if (!w) {
        app_.Prompts().inform(kAppTitle, "No forward yet...");
        end();
        return;
    }
    current_ = page;
    if (auto* p = qobject_cast<WizardPage*>(w)) {
        p->Load();
        setWindowTitle(p->Caption());
    } else if (auto* o = qobject_cast<OptionsPage*>(w)) {
        o->SetControlValues();
        setWindowTitle(o->Caption());
    }
    stack_->setCurrentWidget(w);
    updateButtons();
}

void ScenarioWizard::updateButtons() {
    const bool finish = current_ == kFinishPage;
    back_->setVisible(current_ != kTypePage);
    next_->setVisible(!finish);
    save_->setVisible(finish);
    saveRun_->setVisible(finish);
    auto* p = qobject_cast<WizardPage*>(Page(current_));
    next_->setEnabled(!p || p->CanGoNext());
    QPushButton* preferred = finish ? save_ : next_;
    for (QPushButton* b : {back_, next_, save_, saveRun_, cancel_}) b->setDefault(b == preferred);
}

void ScenarioWizard::next() {
    QWidget* w = Page(current_);
    if (!w) return;
    if (auto* p = qobject_cast<WizardPage*>(w)) {
        if (!p->CanGoNext() || !p->CheckPage()) return;
    } else if (auto* o = qobject_cast<OptionsPage*>(w)) {
        if (!o->CheckPage()) return;
    }
    switch (current_) {
        case kTypePage:
            showPage(kTablePage);
            break;
        case kTablePage:
            showPage(kFieldsPage);
            break;
        case kFieldsPage:
            showPage(kOptionsRoute);
            break;
        default:
            if (isOptionsPage(current_)) showPage(kFinishPage);
            break;
    }
}

void ScenarioWizard::back() {
    switch (current_) {
        case kTablePage:
            showPage(kTypePage);
            break;
        case kFieldsPage:
            showPage(kTablePage);
            break;
        case kFinishPage:
            showPage(kOptionsRoute);
            break;
        default:
            if (isOptionsPage(current_)) showPage(kFieldsPage);
            break;
    }
}

void ScenarioWizard::cancel() {
    if (ended_) return;
    if (current_ != kTypePage && changed_) {
        const bool exitWord = current_ == kFieldsPage || current_ == kFinishPage;
        const std::string question =
            std::string("You have made changes to this scenario. Are you sure you want to ") +
            (exitWord ? "exit?" : "cancel?");
        if (!app_.Prompts().askDestructive(kAppTitle, question)) return;
    }
    end();
}

void ScenarioWizard::reject() {
    cancel();
}

void ScenarioWizard::save(bool run) {
    if (current_ != kFinishPage) return;
    auto* finish = qobject_cast<WizardPage*>(Page(kFinishPage));
    if (!finish || !finish->CheckPage()) return;
    if (!postScenario()) return;
    saved_ = true;
    runAfter_ = run;
    end();
}

bool ScenarioWizard::postScenario() {
    // Saving touches no output table: a run replaces the scenario's own
    // earlier outputs once it has succeeded, and asks before anything else.
    dao::Database& db = app_.CurrentDatabase();
    ProcedureScope scope(app_.Errors(), "CLumvarPropWiz:PostScenario");
    const std::optional<std::string> user =
        app_.UserName().empty() ? std::nullopt : std::optional<std::string>(app_.UserName());
    auto saved = scenario::SaveDraft(db, draft_, user);
    if (!saved) {
        // A refusal is the user's to mend on the page, and so is a file that
        // cannot be written; anything else is a fault. The wizard stays open
        // with everything the user entered.
        if (saved.error().number == scenario::kRefused)
            app_.Prompts().inform(kAppTitle, saved.error().description);
        else if (auto text = SaveFailureText(saved.error(), db))
            app_.Prompts().critical(kAppTitle, *text);
        else
            app_.Errors().HandleError(saved.error().number, saved.error().description);
        return false;
    }
    return true;
}

void ScenarioWizard::end() {
    ended_ = true;
    current_ = 0;
    // The pages go with the loop; the next loop makes them anew.
    for (auto& [number, page] : pages_) {
        stack_->removeWidget(page);
        delete page;
    }
    pages_.clear();
    done(saved_ ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace qrv::designer
