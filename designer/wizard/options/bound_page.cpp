// Option bindings of the options pages: loading, writing back at once, and
// the checks of the number boxes.
#include "designer/wizard/options/bound_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "dataaccess/fold.h"
#include "designer/app_state.h"
#include "scenario/option_values.h"

namespace qrv::designer {

namespace {

const scenario::OptionColumn& column(const char* option) {
    const scenario::OptionColumn* c = scenario::FindOption(option);
    Q_ASSERT_X(c, "BoundPage", option);
    return *c;
}

QString controlName(const char* prefix, const char* option) {
    return QString::fromLatin1(prefix) + QString::fromLatin1(option);
}

}  // namespace

BoundPage::BoundPage(scenario::ScenarioDraft& draft, Prompter& prompter, QString caption,
                     QWidget* parent)
    : OptionsPage(draft, prompter, parent), caption_(std::move(caption)) {
    setWindowTitle(caption_);
}

BoundPage::~BoundPage() {
    // The controls outlive this part of the page: a box that loses the focus
    // while the widget tears them down must not reach the bindings.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

std::string BoundPage::ChoiceValue(const char* option, int index) {
    const std::vector<std::string> values = scenario::OptionChoices(column(option));
    Q_ASSERT(index >= 0 && static_cast<std::size_t>(index) < values.size());
    return values.at(static_cast<std::size_t>(index));
}

QCheckBox* BoundPage::Check(const char* option, const QString& caption) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(controlName("chk", option));
    Binding b = bind(option, Kind::Flag);
    b.first = b.check = box;
    bindings_.push_back(b);
    connect(box, &QCheckBox::toggled, this,
            [this, option](bool on) { Write(option, dao::Value::boolean(on)); });
    return box;
}

std::vector<QRadioButton*> BoundPage::Radios(const char* option,
                                             const std::vector<std::pair<int, QString>>& choices) {
    Binding b = bind(option, Kind::Radio);
    // A group of its own, so that radios of two options can share a frame.
    auto* group = new QButtonGroup(this);
    std::vector<QRadioButton*> buttons;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        auto* r = new QRadioButton(choices[i].second, this);
        r->setObjectName(controlName("opt", option) + "_" + QString::number(i));
        group->addButton(r);
        const std::string value = ChoiceValue(option, choices[i].first);
        b.radios.emplace_back(r, value);
        buttons.push_back(r);
        connect(r, &QRadioButton::toggled, this, [this, option, value](bool on) {
            if (on) Write(option, dao::Value::text(value));
        });
    }
    b.first = buttons.empty() ? nullptr : buttons.front();
    bindings_.push_back(b);
    return buttons;
}

QLineEdit* BoundPage::Number(const char* option) {
    auto* box = new QLineEdit(this);
    box->setObjectName(controlName("txt", option));
    // Wide enough for any number a user would type, not the whole row.
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QString(16, QChar('0'))));
    Binding b = bind(option, Kind::Number);
    b.first = b.box = box;
    bindings_.push_back(b);
    // Every acceptable text goes into the draft as it is typed; a text the
    // option refuses leaves the draft as it was until the box is left.
    connect(box, &QLineEdit::textEdited, this, [this, option](const QString& text) {
        if (NumberMessage(option, text)) return;
        dao::Value v;
        scenario::ParseOptionValue(column(option), text.toStdString(), v);
        Write(option, std::move(v));
    });
    connect(box, &QLineEdit::editingFinished, this, [this, box, option] { LeaveBox(box, option); });
    return box;
}

QComboBox* BoundPage::Combo(const char* option,
                            const std::vector<std::pair<int, QString>>& choices) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(controlName("cbo", option));
    for (const auto& [index, caption] : choices)
        combo->addItem(caption, QString::fromStdString(ChoiceValue(option, index)));
    Binding b = bind(option, Kind::Combo);
    b.first = b.combo = combo;
    bindings_.push_back(b);
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, option](int i) {
        if (i >= 0) Write(option, dao::Value::text(combo->itemData(i).toString().toStdString()));
    });
    return combo;
}

std::optional<std::string> BoundPage::NumberMessage(const char* option, const QString& text) {
    const scenario::OptionColumn& c = column(option);
    dao::Value v;
    const std::optional<scenario::Refusal> r = scenario::ParseOptionValue(c, text.toStdString(), v);
    if (!r) return std::nullopt;
    // The option's own range has the wizard's words; the type checks name
    // the column, which means nothing on a page.
    if (r->message.find(c.name) != std::string::npos) return "Please enter a whole number.";
    if (r->message.ends_with(" is not a number.")) return "Please enter a number.";
    return r->message;
}

void BoundPage::Write(const char* option, dao::Value v) {
    if (loading_) return;
    draft_.setOption(option, std::move(v));
    emit changed();
    UpdateEnabled();
}

void BoundPage::Load(const Binding& b) {
    const dao::Value& v = draft_.option(b.option);
    switch (b.kind) {
        case Kind::Flag:
            b.check->setChecked(draft_.flag(b.option));
            break;
        case Kind::Radio: {
            // A value without a button leaves them all clear.
            const std::string text = v.toText();
            QButtonGroup* group = b.radios.front().first->group();
            group->setExclusive(false);
            for (const auto& [button, value] : b.radios) button->setChecked(value == text);
            group->setExclusive(true);
            break;
        }
        case Kind::Number:
            b.box->setText(
                QString::fromStdString(scenario::OptionValueText(column(b.option.c_str()), v)));
            break;
        case Kind::Combo: {
            // A stored value the list does not offer is kept as an item of its own.
            const QString text = QString::fromStdString(v.toText());
            int i = b.combo->findData(text);
            if (i < 0 && !text.isEmpty()) {
                b.combo->addItem(text, text);
                i = b.combo->count() - 1;
            }
            b.combo->setCurrentIndex(i);
            break;
        }
    }
}

void BoundPage::SetControlValues() {
    loading_ = true;
    for (const Binding& b : bindings_) Load(b);
    loading_ = false;
    UpdateEnabled();
}

QWidget* BoundPage::ControlOf(std::string_view option) const {
    for (const Binding& b : bindings_)
        if (dao::iequal(b.option, option)) return b.first;
    return nullptr;
}

bool BoundPage::Refuse(const std::string& message, QWidget* focus) {
    showing_ = true;
    prompter_.inform(kAppTitle, message);
    showing_ = false;
    if (focus && focus->isEnabled()) {
        focus->setFocus(Qt::OtherFocusReason);
        if (auto* box = qobject_cast<QLineEdit*>(focus)) box->selectAll();
    }
    return false;
}

void BoundPage::LeaveBox(QLineEdit* box, const char* option) {
    if (showing_ || loading_) return;
    if (const auto message = NumberMessage(option, box->text())) Refuse(*message, box);
}

bool BoundPage::CheckPage() {
    for (const Binding& b : bindings_) {
        if (b.kind != Kind::Number || !b.box->isEnabled()) continue;
        if (const auto message = NumberMessage(b.option.c_str(), b.box->text()))
            return Refuse(*message, b.box);
    }
    const std::optional<scenario::Refusal> r = PageRefusal();
    if (!r) return true;
    return Refuse(r->message, FocusFor(*r));
}

QWidget* BoundPage::FocusFor(const scenario::Refusal& r) const {
    for (const std::string& option : r.choices)
        if (QWidget* w = ControlOf(option)) return w;
    return nullptr;
}

}  // namespace qrv::designer
