// An options page whose controls are each tied to one option column: check
// boxes to Yes/No options, radio buttons to the texts of a text option, boxes
// to numeric options. The page loads them from the draft, writes every change
// straight back, checks a number when the user leaves its box, and before
// Next refuses a box that still holds a bad number before the page's own
// checks run.
#pragma once

#include <QString>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "designer/wizard/options_page.h"
#include "scenario/refusal.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QComboBox;

namespace qrv::designer {

class BoundPage : public OptionsPage {
    Q_OBJECT
  public:
    BoundPage(scenario::ScenarioDraft& draft, Prompter& prompter, QString caption,
              QWidget* parent = nullptr);
    ~BoundPage() override;

    void SetControlValues() override;
    bool CheckPage() override;
    QString Caption() const override { return caption_; }

    // A check box "chk" + option for a Yes/No option.
    QCheckBox* Check(const char* option, const QString& caption);
    // One radio button "opt" + option + "_" + i per choice; a choice is the
    // position of its value in the option's list of texts, and its caption.
    std::vector<QRadioButton*> Radios(const char* option,
                                      const std::vector<std::pair<int, QString>>& choices);
    // A box "txt" + option for a numeric option; empty means Null.
    QLineEdit* Number(const char* option);
    // A drop-down list "cbo" + option of some of a text option's values.
    QComboBox* Combo(const char* option, const std::vector<std::pair<int, QString>>& choices);

    // The message for a number box's text, or nothing when the option takes it.
    static std::optional<std::string> NumberMessage(const char* option, const QString& text);

  protected:
    // Enables the controls that depend on others; called after loading and
    // after every change.
    virtual void UpdateEnabled() {}
    // The page's checks on the draft; nothing when the page may be left.
    virtual std::optional<scenario::Refusal> PageRefusal() const { return std::nullopt; }
    // The control a refusal puts the focus on: the first of the options it
    // names that this page shows.
    virtual QWidget* FocusFor(const scenario::Refusal& r) const;
    // Stores a value (unless the page is loading), tells the wizard, and
    // updates the dependent controls.
    void Write(const char* option, dao::Value v);
    // The control that shows an option; nullptr for none on this page.
    QWidget* ControlOf(std::string_view option) const;
    // The value of a text option's choice by its position in the option's list.
    static std::string ChoiceValue(const char* option, int index);
    bool loading() const { return loading_; }

  private:
    enum class Kind { Flag, Radio, Number, Combo };
    struct Binding {
        std::string option;
        Kind kind = Kind::Flag;
        QWidget* first = nullptr;  // the control that takes the focus
        QCheckBox* check = nullptr;
        std::vector<std::pair<QRadioButton*, std::string>> radios;
        QLineEdit* box = nullptr;
        QComboBox* combo = nullptr;
    };
    static Binding bind(const char* option, Kind kind) {
        Binding b;
        b.option = option;
        b.kind = kind;
        return b;
    }
    void Load(const Binding& b);
    void LeaveBox(QLineEdit* box, const char* option);
    bool Refuse(const std::string& message, QWidget* focus);

    QString caption_;
    std::vector<Binding> bindings_;
    bool loading_ = false;
    bool showing_ = false;  // a field message is up; leaving its box again waits
};

}  // namespace qrv::designer
